print(type(arg))
