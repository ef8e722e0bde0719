print(call(print, 5))
