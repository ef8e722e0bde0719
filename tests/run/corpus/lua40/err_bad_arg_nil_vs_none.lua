print(strsub("a", nil))
