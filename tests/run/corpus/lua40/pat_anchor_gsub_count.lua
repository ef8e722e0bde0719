print(gsub("aaa", "^a*", "-"), gsub("abc", "$", "!"), gsub("abc", "^", ">"))
