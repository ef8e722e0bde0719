function f(a, b, c) return a .. b .. c end
print(1)
f("a",
  "b",
  nil)
