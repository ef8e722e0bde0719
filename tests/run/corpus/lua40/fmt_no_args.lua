print(format("plain"), format(""))
print(call(format, {}, "x", function(m) print("H:", m) end))
