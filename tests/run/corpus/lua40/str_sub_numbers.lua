print(strsub(12345, 2, 3), strsub("abc", "2"), strsub("abcdef", 2.7, 4.9))
print(strsub("abcdef", -2.5), strsub("abc", 1, 0))
