print(call(gsub, {"abc", "b", "%1"}, "x", function(m) print("H:", m) end))
print(call(gsub, {"abc", "b", "[%0]"}, "x", function(m) print("H:", m) end))
print(gsub("abc", "(b)", "[%1%1]"))
