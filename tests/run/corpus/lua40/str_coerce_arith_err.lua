print("abc" + 1)
