t = {9, 8, 7, 6, 5, 4, 3, 2, 1}
count = 0
print(call(sort, {t, function(a, b)
  count = count + 1
  if count > 10 then error("enough") end
  return a < b
end}, "x", function(m) print("H:", m) end))
print(t[1], t[2], t[3], t[4], t[5], t[6], t[7], t[8], t[9])
