print(gsub("abc", "b", "x"))
print(gsub("abc", "b", {b = "x"}))
