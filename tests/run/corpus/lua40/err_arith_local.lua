local a = "x"
print(a * 2)
