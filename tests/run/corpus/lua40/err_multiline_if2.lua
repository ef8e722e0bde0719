a = {}
if 1 and
   a.b.c then print("no") end
