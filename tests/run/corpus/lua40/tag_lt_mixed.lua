-- a program with tag methods orders values of two types by them
tg = newtag()
settagmethod(tg, "lt", function(a, b, e)
  local x, y = a, b
  if type(a) == "table" then x = a.v end
  if type(b) == "table" then y = b.v end
  return x < y
end)
local u = settag({v = 5}, tg)
print(u < 6, u > 6, 4 < u, 4 > u, u <= 5, u >= 5, 6 <= u)
if u < 10 then print("then") else print("else") end
while u > 10 do end
print(1 < 2, "a" < "b", 2 <= 1, "b" >= "a")
print(call(function() return {} < 1 end, {}, "x", function(m) print(m) end))
print(call(function() return nil >= nil end, {}, "x", function(m) print(m) end))
local t = {3, 1, 2}
sort(t, function(a, b) return a > b end)
print(t[1], t[2], t[3])
print(u <
  7)
