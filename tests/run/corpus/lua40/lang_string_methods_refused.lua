s = "abc"
print(call(function() return %s:len() end, {}, "x", function(m) print("H:", m) end))
