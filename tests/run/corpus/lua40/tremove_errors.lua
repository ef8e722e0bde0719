print(call(tremove, {{1,2}, nil}, "x", function(m) print("H:", m) end))
print(call(getn, {}, "x", function(m) print("H:", m) end))
print(call(tinsert, {{}}, "x", function(m) print("H:", m) end))
