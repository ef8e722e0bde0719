print(strfind("hello", "()ll()"))
print(strfind("hello", "l()l"))
print(gsub("abc", "()", "%1"))
