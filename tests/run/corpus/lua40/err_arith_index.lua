t = {}
print(t[1] + 1)
