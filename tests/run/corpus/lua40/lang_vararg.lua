function f(...) return arg.n, arg[1], arg[2] end
print(f())
print(f(1, nil, 3))
function g(a, ...) return a, getn(arg) end
print(g(1, 2, 3))
