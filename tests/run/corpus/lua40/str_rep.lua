print(strrep("ab", 3), strrep("x", 0), strrep("x", -1), strrep("", 5), strrep(7, 2))
print(strlen(strrep("abc", 1000)))
