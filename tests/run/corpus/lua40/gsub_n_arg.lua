print(gsub("aaaa", "a", "b", 2.5), gsub("aaaa", "a", "b", -1), gsub("aaaa", "a", "b", "3"))
