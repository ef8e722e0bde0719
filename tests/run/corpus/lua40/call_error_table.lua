print(call(function() error({}) end, {}, "x", function(m) print("H:", type(m)) end))
