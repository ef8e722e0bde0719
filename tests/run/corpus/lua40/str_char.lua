print(strchar(72, 101, 108, 108, 111), strchar(), strchar("65", 66.7))
print(strlen(strchar(0, 255)))
