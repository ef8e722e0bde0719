print(strfind("abab", "((a)b)%1"), strfind("xaax", "(a)%1"))
print(gsub("hello world", "(o)", "[%1]"))
