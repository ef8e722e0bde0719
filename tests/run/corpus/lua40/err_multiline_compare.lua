t = {}
y = t.x
  < 3
