-- tag 4's methods apply to every table without a tag of its own
settagmethod(tag({}), "index", function(t, k) return "dflt " .. k end)
local t = {a = 1}
print(t.a, t.b, rawget(t, "b"))
settagmethod(tag({}), "add", function(a, b, e) return "tadd" end)
print({} + 1, 2 + {})
settagmethod(tag({}), "lt", function(a, b) return 1 end)
print({} < {}, {} > 1)
settagmethod(tag({}), "function", function(t, x) return "tcall " .. x end)
print(t(3))
settagmethod(tag({}), "concat", function(a, b) return "tcat" end)
print(t .. "x")
local u = settag({}, newtag())
print(u.zz, call(function() return %u + 1 end, {}, "x", function(m) print(m) end))
function f(t) return getn(t) end
o = {m = function(self, t) return t[1] end}
print(f{1, 2}, o:m{7}, f{}, f
{3})
