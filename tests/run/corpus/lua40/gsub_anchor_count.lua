print(gsub("aaa", "^a", "x"), gsub("", "", "x"), gsub("ab", "", "."))
