f = function() end
g = f
print(f == g, f == function() end)
