t = {}
t.true = 1
t["false"] = 2
print(t.true, t["false"])
