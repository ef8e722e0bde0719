function sum(...)
  local s = 0
  for i = 1, arg.n do s = s + arg[i] end
  return s, arg.n
end
print(sum(1, 2, 3))
print(sum())
function first(a, ...) return a, arg.n end
print(first(9, nil, nil))
print(call(sum, {4, 5}))
print(call(sum, {4, 5, 6; n = 2}))
_ALERT = function(s) write("alert: ", s) end
print(call(function() error("inner") end, {}, "x"))
print(call(function() error("inner") end, {}, "x", function(m) print("handler: " .. m) end))
print(dostring("return 1 + 2"))
if dostring("x = 5") then print("ran", x) end
_ALERT = function(s) write("alert\n") end
print(dostring("x = = 1"))
print(dostring("error('oops')"))
t = {v = 1}
function t:m(x) return self.v + x end
print(t:m(2))
print(getglobal("x"), setglobal("zz", 4), zz)
print(type(print), type(nil), type({}), type("s"), type(1))
print(tag(1), tag("s"), tag({}), tag(nil), tag(print))
f = print
f
("continued")
print((sum(1, 2)))
g = function(n) if n <= 1 then return 1 end return n * %fact(n - 1) end
function fact(n) if n <= 1 then return 1 end return n * fact(n - 1) end
print(fact(10))
print(globals().zz, getn(arg or {}))
