local true = nil
print(true.x)
