function f() return 1, 2, 3 end
print((f()))
t = {f()}
u = {f(), f()}
print(getn(t), getn(u))
