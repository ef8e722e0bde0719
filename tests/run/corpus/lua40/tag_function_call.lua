tg = newtag()
settagmethod(tg, "function", function(self, a, b) return "called", a, b end)
u = settag({}, tg)
print(u(1, 2))
