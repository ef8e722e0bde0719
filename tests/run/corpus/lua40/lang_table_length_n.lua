t = {n = 5}
print(getn(t))
tinsert(t, "x")
print(t[6], t.n)
