print(format("%q", 1/3))
print(format("%q", 2^53))
print(format("%q", 10), format("%q", -1.5))
