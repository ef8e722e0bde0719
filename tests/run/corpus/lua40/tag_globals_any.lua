-- getglobal and setglobal tag methods of a tag other than nil
tg = newtag()
settagmethod(tg, "getglobal", function(name, v) return "G(" .. name .. ")" end)
settagmethod(tg, "setglobal", function(name, old, new) print("set", name, new) rawset(globals(), name, new) end)
x = settag({}, tg)
print(x, getglobal("x"), rawget(globals(), "x") ~= nil)
x = 5
print(x)
y = 1
print(type(nextvar), call(rawgetglobal, {"y"}, "x", function(m) print(m) end))
