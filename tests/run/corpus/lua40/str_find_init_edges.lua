print(strfind("abc", "a", 0), strfind("abc", "c", -1), strfind("abc", "", 3), strfind("", ""))
