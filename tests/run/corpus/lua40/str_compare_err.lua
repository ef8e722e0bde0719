print("a" < 1)
