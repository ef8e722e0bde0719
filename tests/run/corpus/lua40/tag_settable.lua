tg = newtag()
log = {}
settagmethod(tg, "settable", function(t, k, v) rawset(t, k, v * 2) end)
u = {}
settag(u, tg)
u.x = 5
print(rawget(u, "x"))
