print(call(settag, {{}, 9999}, "x", function(m) print("H:", m) end))
