settagmethod(tag(nil), "setglobal", function(n, old, new) rawset(globals(), n, new * 10) end)
a = 1
a = 2
print(a)
