print(type(date()), type(clock()), type(time and 1))
