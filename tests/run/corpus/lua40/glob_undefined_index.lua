print(nothing.field)
