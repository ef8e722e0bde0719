print(call(tonumber, {"1", 1}, "x", function(m) print("H:", m) end))
print(call(tonumber, {"1", 37}, "x", function(m) print("H:", m) end))
