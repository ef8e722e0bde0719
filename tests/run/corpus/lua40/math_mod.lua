print(mod(7, 3), mod(-7, 3), mod(7, -3), mod(5.5, 2), mod(1, 0))
