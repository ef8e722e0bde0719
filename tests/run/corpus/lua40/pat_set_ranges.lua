print(gsub("a-z09", "[%-]", "m"), gsub("abc", "[^%a]", ""), gsub("a]b", "[%]]", "_"))
print(strfind("x5", "[0-9]"), strfind("Q", "[a-z]"), strfind("-", "[a-]"))
