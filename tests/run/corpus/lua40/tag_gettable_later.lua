-- gettable set after the tables were tagged; the table functions see the contents
tg = newtag()
u = settag({3, 1, 2; n = 3, name = "u"}, tg)
w = settag({}, tg)
settagmethod(tg, "gettable", function(t, k) return rawget(t, k) or ("no " .. k) end)
print(u.name, u[1], u.zz, w[1])
print(getn(u), rawget(u, "n"))
tinsert(u, 0)
print(getn(u), u[4], rawget(u, 4))
sort(u)
foreachi(u, function(i, v) write(i, "=", v, " ") end) print()
print(tremove(u, 1), getn(u))
local keys = 0
for k, v in u do keys = keys + 1 end
print("keys", keys)
print(call(function(a, b) return a + b end, settag({10, 20}, tg)))
settagmethod(tg, "gettable", nil)
print(u.name, u.zz, u[1])
