_ALERT = function(s) write("ALERT[", s, "]") end
print(call(function() error("x1") end, {}, "x"))
