t = {{n = "b", v = 2}, {n = "a", v = 3}, {n = "c", v = 1}}
sort(t, function(x, y) return x.v < y.v end)
print(t[1].n, t[2].n, t[3].n)
