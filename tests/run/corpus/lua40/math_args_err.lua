print(floor("x"))
