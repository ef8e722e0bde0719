local a, b, c = 1, 2
print(a, b, c)
local d, e = (function() return 1, 2, 3 end)()
print(d, e)
