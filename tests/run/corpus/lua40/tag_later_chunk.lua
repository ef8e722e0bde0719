-- a chunk loaded after tag methods are set orders and makes tables by them
tg = newtag()
settagmethod(tg, "lt", function(a, b) return 1 end)
settagmethod(tag({}), "index", function(t, k) return "dflt" end)
u = settag({}, tg)
print(dostring("local t = {} return u < 1, 2 > u, t.x"))
