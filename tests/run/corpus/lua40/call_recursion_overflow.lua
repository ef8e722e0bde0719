function f(n) return call(f, {n + 1}) end
f(1)
