print(format("[%s][%d][%5.2f][%x]", "s", 10, 2.345, 4095))
print(format("%s", "a\0b") == "a\0b", strlen(format("%s", "a\0b")))
