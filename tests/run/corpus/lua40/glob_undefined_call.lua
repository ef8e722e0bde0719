undefinedfunction(1)
