write(1, " ", 1.5, " ", 1/3, "\n")
write(format("%5.2f\n", 2))
