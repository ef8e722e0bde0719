old = globals()
t = {print = print}
old.t = t
globals(t)
x = 5
print(x, t.x)
globals(old)
print(x)
