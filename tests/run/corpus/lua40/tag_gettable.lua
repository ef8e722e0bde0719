tg = newtag()
settagmethod(tg, "gettable", function(t, k) return "got_" .. k end)
u = {a = 1}
settag(u, tg)
print(u.a, rawget(u, "a"))
