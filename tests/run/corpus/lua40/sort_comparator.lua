t = {3, 1, 4, 1, 5, 9, 2, 6}
sort(t, function(a, b) return a > b end)
for i = 1, getn(t) do write(t[i], " ") end
print()
