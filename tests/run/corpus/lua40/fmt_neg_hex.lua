print(format("%x", -1), format("%o", -8), format("%u", -1), format("%X", 3.9))
