print(call(strchar, {256}, "x", function(m) print("H:", m) end))
print(call(strchar, {-1}, "x", function(m) print("H:", m) end))
print(call(strchar, {"a"}, "x", function(m) print("H:", m) end))
