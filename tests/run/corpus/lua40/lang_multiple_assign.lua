a, b, c = 1, 2
print(a, b, c)
a, b = b, a
print(a, b)
x, y = (function() return 1, 2 end)()
print(x, y)
