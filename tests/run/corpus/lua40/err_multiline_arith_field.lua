a = {b = {}}
x = a.b.c.d
  + 1
