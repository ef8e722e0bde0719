print(dostring("return 1 + 1"))
print(type(dostring("x = 5")))
print(x)
dostring("print('from dostring')")
