write(0.5, " ", 1/4, "\n")
write(format("%.1f\n", 0.75))
