t = {}
t[1] = "int"; t[1.0] = "float"; t["1"] = "str"
print(t[1], t["1"])
t[2^53] = "big"
print(t[2^53])
