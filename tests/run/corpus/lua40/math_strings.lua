print(floor("3.7"), sqrt("9"), max("3", 10), abs(" -4 "))
