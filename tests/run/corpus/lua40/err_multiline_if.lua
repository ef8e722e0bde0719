a = {b = {}}
if a.b.c
  and a.b.c.d then print("no") end
