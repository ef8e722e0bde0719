t = {1, 2, 3}
print(tremove(t, 5), t.n)
print(tremove(t, 0), t[0], t.n)
