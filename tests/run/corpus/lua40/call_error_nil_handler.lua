print(call(function() error("x") end, {}, "x", nil))
print("survived")
