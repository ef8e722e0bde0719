-- Objects with tag methods: a vector class whose tag has add, lt, index
-- and gettable methods, in a program whose comparisons and tables go
-- through the library because it sets tag methods.
local vec = newtag()
local proxy = newtag()
settagmethod(vec, "add", function(a, b) return settag({x = a.x + b.x, y = a.y + b.y}, %vec) end)
settagmethod(vec, "lt", function(a, b) return a.x * a.x + a.y * a.y < b.x * b.x + b.y * b.y end)
settagmethod(vec, "index", function(t, k) if k == "len" then return t.x + t.y end end)
settagmethod(proxy, "gettable", function(t, k) return rawget(t, k) or 0 end)
local v = function(x, y) return settag({x = x, y = y}, %vec) end
local total = 0
for round = 1, 40 do
  local s = v(0, 0)
  local counts = settag({}, proxy)
  for i = 1, 2000 do
    local w = v(mod(i, 7), mod(i, 11))
    s = s + w
    if w < v(3, 3) then total = total + 1 end
    counts[mod(i, 5)] = counts[mod(i, 5)] + 1
    total = total + w.len
  end
  for i = 1, 500 do
    if i < 250 and i >= 10 then total = total + 1 end
  end
  total = total + s.x + counts[0]
end
print(total)
