t = {a = 1}
print(rawget(t, "a"), rawget(t, "b"), rawgettable(t, "a"))
rawset(t, "c", 3)
rawsettable(t, "d", 4)
print(t.c, t.d)
