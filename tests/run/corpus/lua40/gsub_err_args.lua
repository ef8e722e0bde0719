print(call(gsub, {"abc"}, "x", function(m) print("H:", m) end))
print(call(gsub, {"abc", "b"}, "x", function(m) print("H:", m) end))
print(call(gsub, {nil, "b", "c"}, "x", function(m) print("H:", m) end))
