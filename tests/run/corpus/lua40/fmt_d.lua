print(format("%d %d %d %d", 1, -1, 3.7, -3.7))
print(format("%5d|%-5d|%05d|%+d|% d", 42, 42, 42, 42, 42))
print(format("%d", 2^31), format("%d", "12"))
