print(assert(1))
print(call(assert, {nil, "custom"}, "x", function(m) print("H:", m) end))
print(call(assert, {nil}, "x", function(m) print("H:", m) end))
print(call(assert, {}, "x", function(m) print("H:", m) end))
