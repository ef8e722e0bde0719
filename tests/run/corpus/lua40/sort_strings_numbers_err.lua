t = {"10", 9, "8"}
print(call(sort, {t}, "x", function(m) print("H:", m) end))
