t = {3, nil, 1, nil, 2; n = 5}
sort(t, function(a, b)
  if a == nil then return nil end
  if b == nil then return 1 end
  return a < b
end)
print(t[1], t[2], t[3], t[4], t[5])
