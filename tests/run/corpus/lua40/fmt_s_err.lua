print(call(format, {"%s", nil}, "x", function(m) print("H:", m) end))
print(call(format, {"%s"}, "x", function(m) print("H:", m) end))
print(call(format, {"%s", {}}, "x", function(m) print("H:", m) end))
