print(format("%x %X %o %c%c %#x %#o", 255, 255, 8, 72, 105, 255, 8))
print(format("%5.2x|%-4X|", 10, 10))
