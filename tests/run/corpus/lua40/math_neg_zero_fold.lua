local lo = -0 local z = 0 print(1/z)
a = -0
print(a, 1/a)
