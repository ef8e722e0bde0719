function f(x) return x + nil end
print("start")
f(1,
  2,
  3)
