setglobal("x", 10)
print(x, getglobal("x"))
x = 20
print(getglobal("x"))
