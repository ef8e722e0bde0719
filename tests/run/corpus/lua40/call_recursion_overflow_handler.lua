function f(n) return call(f, {n + 1}) end
print(call(f, {1}, "x", function(m) print("H:", m) end))
