print(call(settagmethod, {tag({}), "gc", print}, "x", function(m) print("H:", m) end))
