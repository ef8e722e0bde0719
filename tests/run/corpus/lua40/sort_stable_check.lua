t = {"b", "a", "c", "a", "b"}
sort(t, function(x, y) return x < y end)
print(t[1], t[2], t[3], t[4], t[5])
