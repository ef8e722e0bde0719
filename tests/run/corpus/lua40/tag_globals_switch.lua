-- globals switched while global tag methods are set
tg = newtag()
settagmethod(tg, "getglobal", function(name, v) return "got " .. name end)
a = settag({}, tg)
print(a)
local old = globals({print = print, rawget = rawget, globals = globals, settag = settag, tg = tg, tostring = tostring})
print(a)
b = settag({}, tg)
print(b, rawget(globals(), "b") ~= nil)
globals(old)
print(a, b, rawget(old, "a") ~= nil)
for k, v in old do if k == "a" then print("found a") end end
print(getn({1, 2}), next({}))
