function f(...) return arg.n, arg[1], arg[arg.n] end
print(call(f, {"a", "b", "c"}), call(f, {n = 2}))
print(call(strsub, {"hello", 2, 3}), call(format, {"%d-%d", 1, 2}))
