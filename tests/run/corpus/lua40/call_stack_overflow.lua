function f(n) return 1 + f(n + 1) end
f(1)
