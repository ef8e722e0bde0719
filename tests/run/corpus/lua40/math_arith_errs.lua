print(call(function() return {} + 1 end, {}, "x", function(m) print("H:", m) end))
print(call(function() return -{} end, {}, "x", function(m) print("H:", m) end))
print(call(function() return nil * 2 end, {}, "x", function(m) print("H:", m) end))
