print(gsub("abc", "b", 5), gsub(123, 2, 9), gsub("a.b", ".", "%0%0"))
