function f() return 1, 2, 3 end
print(call(f, {}))
a, b, c, d = call(f, {})
print(a, b, c, d)
