tg = newtag()
settagmethod(tg, "settable", function(t, k, v) rawset(t, k, "via tm") end)
u = settag({}, tg)
u.a = 1
u.a = 2
print(rawget(u, "a"))
