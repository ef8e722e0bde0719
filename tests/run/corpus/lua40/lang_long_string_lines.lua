s = [[a
b
c]]
print(s)
x = nil
print(x.y)
