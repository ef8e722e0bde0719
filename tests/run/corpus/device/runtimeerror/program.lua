-- A fault three calls deep names its own line.
function average(t)
  local sum = 0
  for i = 1, getn(t) do sum = sum + t[i] end
  return sum / getn(t)
end

print("average", average({2, 4, 9}))
print("average", average({1, "two", 3}))
print("not reached")
