s = "hello world"
print(strsub(s, 1, 5), strsub(s, 7), strsub(s, -5), strsub(s, -5, -3))
print(strsub(s, 0), strsub(s, 3, 2), strsub(s, 20), strsub(s, -20, 2))
