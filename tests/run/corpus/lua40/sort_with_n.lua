t = {5, 4, 3, 2, 1; n = 3}
sort(t)
print(t[1], t[2], t[3], t[4], t[5], t.n)
