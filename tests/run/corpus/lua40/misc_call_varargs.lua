function f(...) return arg.n end
print(call(f, {1, 2, 3}), call(f, {}), call(f, {n = 5}))
