print(strfind("a.b", ".", 1, 1), strfind("a(b", "(", 1, 1), strfind("a%b", "%", 1, 1))
print(strfind("a.b", ".", 1, nil), strfind("abc", "", 1, 1))
