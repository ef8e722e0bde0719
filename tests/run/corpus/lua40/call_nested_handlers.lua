function inner() error("inner fail") end
function outer() return call(inner, {}, "x", function(m) print("inner handler:", m) end) end
print(call(outer, {}, "x", function(m) print("outer handler:", m) end))
