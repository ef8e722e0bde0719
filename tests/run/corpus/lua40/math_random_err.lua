print(call(random, {0}, "x", function(m) print("H:", m) end))
print(call(random, {3, 1}, "x", function(m) print("H:", m) end))
