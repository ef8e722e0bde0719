settagmethod(tag(nil), "getglobal", function(name, v) return "undef:" .. name end)
print(nosuch, rawget(globals(), "nosuch"))
