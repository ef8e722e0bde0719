print(format("%2$s %1$s", "world", "hello"))
print(format("%1$d-%1$d", 7))
