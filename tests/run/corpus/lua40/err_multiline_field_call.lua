t = {}
t.f = nil
t.f(1,
  2)
