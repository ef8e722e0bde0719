settagmethod(tag(nil), "getglobal", function(n) return "<" .. n .. ">" end)
print(undefined_one, rawget(globals(), "undefined_one"), getglobal("undefined_two"))
x = 1
print(x)
