print(strfind("aaab", "a*"), strfind("aaab", "a+"), strfind("aaab", "a-b"), strfind("aaab", "a?b"))
print(strfind("<<a>>", "<(.-)>"), strfind("<<a>>", "<(.*)>"))
print(strfind("abc", "x*"), strfind("", "a*"))
