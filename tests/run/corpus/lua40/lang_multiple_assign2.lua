a, b, c = 1, 2
print(a, b, c)
a, b = b, a
print(a, b)
function two() return 1, 2 end
x, y = two()
print(x, y)
local d, e = two(), 5
print(d, e)
