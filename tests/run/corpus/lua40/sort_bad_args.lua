print(call(sort, {nil}, "x", function(m) print("H:", m) end))
print(call(sort, {{2, 1}, 3}, "x", function(m) print("H:", m) end))
