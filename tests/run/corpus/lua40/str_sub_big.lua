s = strrep("x", 10)
print(strsub(s, 3, 1e10), strsub(s, -1e10, 2), strsub(s, 11), strsub(s, 10, 10))
