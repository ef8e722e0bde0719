print(call(function() return 1 < "2" end, {}, "x", function(m) print("H:", m) end))
