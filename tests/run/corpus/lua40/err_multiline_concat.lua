local x
print(1)
s = "a" ..
  "b" ..
  "c" ..
  x
