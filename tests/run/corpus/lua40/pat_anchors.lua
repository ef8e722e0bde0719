print(strfind("hello", "^h"), strfind("hello", "^e"), strfind("hello", "o$"), strfind("hello", "l$"))
print(strfind("a^b", "a^b"), strfind("a$b", "a$b"), strfind("", "^$"))
print(gsub("aaa", "^a", "b"), gsub("hello", "", "-"))
