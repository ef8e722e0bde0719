print("ab\0cd")
print("x", "y\0z", "w")
write("p\0q\n")
