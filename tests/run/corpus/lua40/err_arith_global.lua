print(y + 1)
