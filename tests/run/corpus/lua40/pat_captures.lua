print(strfind("key = value", "(%w+)%s*=%s*(%w+)"))
print(strfind("abcabc", "(abc)%1"), strfind("xyyx", "(x)(y)%2%1"))
print(strfind("2024-01-15", "(%d+)-(%d+)-(%d+)"))
