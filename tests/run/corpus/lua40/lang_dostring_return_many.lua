print(dostring("return 1, 2, 3"))
print(dostring("return nil"))
print(type(dostring("")))
