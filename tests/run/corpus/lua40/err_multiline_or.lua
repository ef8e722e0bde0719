a = {}
print(1)
if 1 and
  a.b.c
  or 2 then print("x") end
