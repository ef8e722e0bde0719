write("a", 1, 2.5, "\n")
write()
write("end\n")
