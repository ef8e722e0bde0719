-- a refused comparison names its operands as written, whichever the operator
h = function(m) print("E: " .. m) end
print(call(function() return "a" < 1 end, {}, "x", h))
print(call(function() return "a" > 1 end, {}, "x", h))
print(call(function() return "a" <= 1 end, {}, "x", h))
print(call(function() return "a" >= 1 end, {}, "x", h))
print(call(function() return nil > {} end, {}, "x", h))
print(call(function() return 1 <= print end, {}, "x", h))
print(call(function() local x = "5" if x >= 0 and x <= 10 then return 1 end end, {}, "x", h))
print(call(function() return {} > {} end, {}, "x", h))
