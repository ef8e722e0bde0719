dostring("gv = 99")
print(gv)
print(dostring("return gv + 1"))
