-- settable with an index method: stored values are found, absent ones indexed
tg = newtag()
log = ""
settagmethod(tg, "settable", function(t, k, v) log = log .. k .. " " rawset(t, k, v) end)
settagmethod(tg, "index", function(t, k) return "idx_" .. k end)
u = settag({a = 1}, tg)
u.a = 2
u.b = 3
print(u.a, u.b, u.c, log)
foreach(u, function(k, v) write(k, "=", v, " ") end) print()
print(next(u, nil) ~= nil, rawset(u, "d", 4) == u, u.d)
tg2 = newtag()
copytagmethods(tg2, tg)
settag(u, tg2)
u.e = 5
print(u.e, u.f, tag(u) == tg2, log)
plain = newtag()
settagmethod(plain, "index", function(t, k) return "p_" .. k end)
settag(u, plain)
u.g = 7
print(u.a, u.g, u.h, log)
