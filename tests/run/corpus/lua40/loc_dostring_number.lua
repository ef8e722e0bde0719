print(dostring("return 0.25 + 0.25"))
print(dostring("return '1.5' + 0"))
