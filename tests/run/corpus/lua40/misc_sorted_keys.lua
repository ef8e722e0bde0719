t = {b = 2, a = 1, c = 3}
keys = {}
for k, v in t do tinsert(keys, k) end
sort(keys)
print(keys[1], keys[2], keys[3])
