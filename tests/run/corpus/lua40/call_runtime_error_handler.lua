print(call(function() local t = nil; return t.x end, {}, "x", function(m) print("H:", m) end))
print(call(function() return 1 + {} end, {}, "x", function(m) print("H:", m) end))
