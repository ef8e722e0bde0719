print(format("%f %e %g %.3f %5.1f|", 1.5, 1.5, 1.5, 2.25, 0.5))
print(format("%s %d", 1.5, 3))
