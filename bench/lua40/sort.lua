-- sort: numbers and strings, with and without a comparison function.
x = 12345
function rnd() x = mod(x * 1103 + 12345, 65536) return x end
local total = 0
for round = 1, 40 do
  local t, u = {}, {}
  for i = 1, 6000 do
    t[i] = rnd()
    u[i] = format("k%05d", rnd())
  end
  sort(t)
  sort(u, function(a, b) return a > b end)
  total = total + t[1] + strlen(u[1])
end
print(total)
