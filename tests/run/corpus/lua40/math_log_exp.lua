print(log(1), exp(0), log10(100), format("%.6f", log(10)), format("%.6f", exp(1)))
