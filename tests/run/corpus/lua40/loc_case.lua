print(strupper("abc\228\246\252"), strlower("ABC\196\214\220"))
print(gsub("a\228b", "%a", "x"))
