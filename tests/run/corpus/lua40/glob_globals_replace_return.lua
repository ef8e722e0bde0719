old = globals()
new = {print = print, globals = globals}
r = globals(new)
print(r == old)
print(type(old.x))
