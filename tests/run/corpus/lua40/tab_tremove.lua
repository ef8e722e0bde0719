t = {"a", "b", "c", "d"}
print(tremove(t), t.n, getn(t))
print(tremove(t, 1), t[1], t[2], t.n)
print(tremove({}), tremove({n = 0}))
