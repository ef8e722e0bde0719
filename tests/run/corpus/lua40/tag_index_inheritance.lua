Base = {greet = function(self) return "hi from " .. self.name end}
tg = newtag()
settagmethod(tg, "index", function(t, k) return Base[k] end)
o = settag({name = "obj"}, tg)
print(o:greet())
