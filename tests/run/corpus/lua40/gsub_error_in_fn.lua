function f(c) if c == "c" then error("stop at " .. c) end return c end
print(call(gsub, {"abcd", "%a", f}, "x", function(m) print("H:", m) end))
