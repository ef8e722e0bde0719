t = {}
t[nil] = 1
