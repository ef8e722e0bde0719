t = {1, 2, 3; a = "x", b = "y"}
print(t[1], t[3], t.a, t.b, getn(t))
u = {[1] = "one", [2] = "two", "first"}
print(u[1], u[2])
v = {1, 2, 3,}
w = {a = 1,}
print(getn(v), w.a)
