-- the same in a program that sets tag methods, where comparisons ask the library
settagmethod(newtag(), "lt", function(a, b) return 1 end)
h = function(m) print("E: " .. m) end
print(call(function() return "a" < 1 end, {}, "x", h))
print(call(function() return "a" > 1 end, {}, "x", h))
print(call(function() return "a" <= 1 end, {}, "x", h))
print(call(function() return "a" >= 1 end, {}, "x", h))
print(call(function() return nil > {} end, {}, "x", h))
print(0/0 >= 1, 0/0 <= 1, 0/0 > 1, 0/0 < 1)
