function f(a, b, c) return c, b, a end
print(call(f, {1, 2, 3}))
print(call(f, {1, 2, 3; n = 2}))
print(call(f, {n = 0}))
