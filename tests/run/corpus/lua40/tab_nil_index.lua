t = {}
print(t[nil])
