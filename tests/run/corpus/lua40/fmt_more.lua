print(format("%3c|%-3c|", 65, 66), format("%.3s", "abcdef"), format("%5.2s|", "abc"))
print(format("%e", 0), format("%g", 1e20), format("%G", 1e-20), format("%i", 7.9))
