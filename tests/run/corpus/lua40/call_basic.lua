function add(a, b) return a + b end
print(call(add, {1, 2}))
print(call(print, {"a", "b"}))
