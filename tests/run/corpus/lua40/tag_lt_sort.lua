tg = newtag()
settagmethod(tg, "lt", function(a, b) return a.v < b.v end)
t = {}
for i = 1, 5 do t[i] = settag({v = 6 - i}, tg) end
sort(t)
print(t[1].v, t[2].v, t[5].v)
