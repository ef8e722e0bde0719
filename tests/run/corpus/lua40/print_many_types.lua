print(nil, 1, "s", 1.5)
print()
print("")
