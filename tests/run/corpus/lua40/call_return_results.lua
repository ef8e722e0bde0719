function f(a) return a, 2, 3 end
function g(a) return f(a) end
function h(a) return (g(a)) end
print(g(1))
print(h(1))
t = {m = function(self, x) return x, x end}
function k() return t:m(5) end
print(k())
