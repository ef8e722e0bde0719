t = {1, 2, 3}
tinsert(t, 2, "x")
print(t[1], t[2], t[3], t[4], t.n)
tinsert(t, 10, "far")
print(t[10], t.n, getn(t))
