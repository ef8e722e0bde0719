-- expect: ok
a, b.c, d[1] = 1, 2, 3
a, b = b, a
x, y = f()
