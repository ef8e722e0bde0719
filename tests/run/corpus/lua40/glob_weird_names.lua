setglobal("a b", 1)
print(getglobal("a b"))
g = globals()
print(g["a b"], g.print == print)
