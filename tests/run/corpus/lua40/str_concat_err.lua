x = nil
print("a" .. x)
