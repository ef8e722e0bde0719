print(call(function() error("a") end, {}, "x", function(m) error("in handler") end))
print("after")
