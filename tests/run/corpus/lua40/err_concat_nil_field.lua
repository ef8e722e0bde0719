t = {}
print("a" .. t.name)
