g = globals()
g.newvar = "hi"
print(newvar)
print(globals() == g)
