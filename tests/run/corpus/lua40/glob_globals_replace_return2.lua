old = globals()
new = {print = print, tostring = tostring, globals = globals, type = type}
new.old = globals()
r = globals(new)
print(r == old)
print(type(old.x), type(old.new))
globals(old)
print(globals() == old)
