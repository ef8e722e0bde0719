t = {a = {b = {c = "deep"}}}
print(t.a.b.c, t["a"]["b"]["c"])
t.a.b.d = {1, 2}
print(t.a.b.d[2])
