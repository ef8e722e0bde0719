t = {}
for i = 1, 20 do t[i] = mod(i * 7, 5) end
print(call(sort, {t, function(a, b) return 1 end}, "x", function(m) print("H:", m) end))
