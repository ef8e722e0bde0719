print(call(function() error(42) end, {}, "x", function(m) print("H:", type(m), m) end))
