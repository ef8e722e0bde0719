a = {b = {}}
print("x")
if a.b.c.d
  and 1 then print("no") end
