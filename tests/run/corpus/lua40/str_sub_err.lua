print(strsub("abc"))
print(strsub("abc", "x"))
