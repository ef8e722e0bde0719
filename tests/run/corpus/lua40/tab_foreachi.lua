t = {"a", "b", "c"}
foreachi(t, function(i, v) print(i, v) end)
print(foreachi(t, function(i, v) if v == "b" then return i * 10 end end))
