-- expect: ok
function f(a, ...) return arg.n, arg[1] end
function g(...) end
