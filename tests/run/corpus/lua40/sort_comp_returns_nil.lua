t = {3, 1, 2}
sort(t, function(a, b) if a < b then return 1 end end)
print(t[1], t[2], t[3])
