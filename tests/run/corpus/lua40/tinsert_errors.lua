print(call(tinsert, {}, "x", function(m) print("H:", m) end))
print(call(tinsert, {{}, "a", "b"}, "x", function(m) print("H:", m) end))
t = {}
tinsert(t, nil)
print(t.n, getn(t))
