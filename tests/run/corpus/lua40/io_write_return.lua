print(type(write("x")))
