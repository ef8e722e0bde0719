t = {n = 0}
print(tremove(t), t.n)
t = {1, 2, 3}
print(tremove(t, 2), t[1], t[2], t[3], t.n)
