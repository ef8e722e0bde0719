x = 1
print(rawget(globals(), "x"))
