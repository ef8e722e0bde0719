print(strfind("abcabc", "b", 3), strfind("abcabc", "b", -2), strfind("abc", "b", -10))
print(strfind("abc", "", 4), strfind("abc", "", 10))
print(strfind("abc", "c", 3.9))
