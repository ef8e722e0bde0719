print(call(gsub, {"abc", "b", {b = "B"}}, "x", function(m) print("H:", m) end))
