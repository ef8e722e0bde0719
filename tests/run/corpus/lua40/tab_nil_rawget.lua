t = {a = 1}
print(rawget(t, "a"), rawget(t, "b"))
print(rawget(t, nil))
