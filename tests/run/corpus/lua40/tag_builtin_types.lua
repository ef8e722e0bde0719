-- nil, numbers, strings and functions take the events 4.0 allows them; tag 0 is the global fallback
settagmethod(tag(nil), "add", function(a, b, e) return "niladd" end)
print(nil + 1, 1 + nil)
settagmethod(tag(nil), "gettable", function(t, k) return "nil." .. k end)
print(x.y)
settagmethod(tag(nil), "function", function(f, a) return "nilcall " .. a end)
print(nothing(3))
settagmethod(tag(print), "lt", function(a, b) return 1 end)
print(print < print)
settagmethod(tag(1), "gettable", function(t, k) return k .. "!" end)
local n = 5
print(n.x)
settagmethod(tag(1), "function", function(n, a) return n * a end)
local six = 6
print(six(7))
settagmethod(tag(""), "gettable", function(s, k) return "str " .. k end)
local s = "abc"
print(s.len)
settagmethod(0, "concat", function(a, b, e) return "global " .. e end)
print({} .. "x")
