settagmethod(tag(nil), "setglobal", function(name, old, new) print("set", name, new) rawset(globals(), name, new) end)
z = 5
print(z)
