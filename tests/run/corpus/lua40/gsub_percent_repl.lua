print(gsub("abc", "b", "%%"), gsub("abc", "b", "100%%"), gsub("abc", "(b)", "%1%%"))
print(call(gsub, {"abc", "b", "%x"}, "x", function(m) print("H:", m) end))
