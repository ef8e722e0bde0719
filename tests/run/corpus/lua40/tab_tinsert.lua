t = {}
tinsert(t, "a")
tinsert(t, "b")
tinsert(t, 1, "c")
print(t[1], t[2], t[3], t.n, getn(t))
