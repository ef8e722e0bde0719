collectgarbage()
a, b = gcinfo()
print(type(a), type(b))
