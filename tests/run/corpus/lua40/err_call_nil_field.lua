t = {}
t.method(1)
