print(type(nil), type(1), type("s"), type({}), type(print), type(type), type(function() end))
print(call(type, {}, "x", function(m) print("H:", m) end))
