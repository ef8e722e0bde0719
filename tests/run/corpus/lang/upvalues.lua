-- %name is a copy of the value when the function is made
x = 1
function getx() return %x end
x = 2
print(getx(), x)
function counter(start)
  local n = start
  return function() return %n end
end
local c = counter(5)
print(c())
function adder(k)
  local t = {sum = 0}
  return function(v) %t.sum = %t.sum + v + %k return %t.sum end
end
local a = adder(10)
print(a(1), a(2))
function outer()
  local v = "before"
  local f = function() return %v end
  v = "after"
  return f(), v
end
print(outer())
function say(s) %print("said " .. s) end
local keep = print
print = nil
say("hi")
print = keep
fs = {}
for i = 1, 3 do fs[i] = function() return %i * 10 end end
print(fs[1](), fs[3]())
function twice(f) return function(v) return %f(%f(v)) end end
print(twice(function(v) return v .. "!" end)("go"))
