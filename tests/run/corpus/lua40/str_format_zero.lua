-- format keeps each item up to its first zero byte, and reads the format up to its own
print(format("%c%c", 65, 0) == "A", strlen(format("%c", 0)), strlen(format("%3c|", 0)))
print(strlen(format("a\0b")), strlen(format("%s", "x\0y")), strlen(format("%5s", "x\0y")))
print(strlen(format("%s", strrep("ab\0", 40))), strlen(format("%q", "a\0b")))
