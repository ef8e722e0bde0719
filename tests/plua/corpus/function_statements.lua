-- expect: ok
function f(a, b) return a + b end
t = {}
function t.f() end
function t:m(x) return self end
