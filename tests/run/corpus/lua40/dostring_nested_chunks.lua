print(dostring("return dostring('return 1 + 1')"))
x = 10
print(dostring("x = x + 1 return x"))
print(x)
