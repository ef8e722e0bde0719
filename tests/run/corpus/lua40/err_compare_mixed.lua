print(1 < "x")
