t = {a = 1, b = 2, c = 3}
s = 0
foreach(t, function(k, v) s = s + v end)
print(s)
print(foreach({x = 5}, function(k, v) return k .. v end))
