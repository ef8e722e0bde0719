print(call(format, {"%y", 1}, "x", function(m) print("H:", m) end))
print(call(format, {"%d", "x"}, "x", function(m) print("H:", m) end))
print(call(format, {"%123d", 1}, "x", function(m) print("H:", m) end))
