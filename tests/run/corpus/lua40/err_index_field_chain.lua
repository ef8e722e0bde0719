t = {a = {}}
print(t.a.b.c)
