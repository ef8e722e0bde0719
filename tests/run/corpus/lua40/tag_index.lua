tg = newtag()
settagmethod(tg, "index", function(t, k) return "default_" .. k end)
u = {a = 1}
settag(u, tg)
print(u.a, u.b)
