t = newtag()
u = {}
settag(u, t)
print(tag(u) == t, tag({}) == tag({}), type(t))
