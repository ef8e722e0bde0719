s = "abc"
print(s.x)
