t = {}
print(t.x + 1)
