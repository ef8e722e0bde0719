print(format("100%%"), format("%%d %d", 5), format("%5%|"))
