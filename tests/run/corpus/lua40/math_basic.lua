print(abs(-3), abs(2.5), floor(2.7), floor(-2.7), ceil(2.1), ceil(-2.1))
print(sqrt(16), sqrt(2), max(1, 5, 3), min(4, 2, 8))
