print(frexp(8), ldexp(0.5, 4), frexp(0), frexp(-3))
