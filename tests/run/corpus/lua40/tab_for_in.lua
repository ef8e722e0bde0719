t = {5, 6, 7}
s = 0
for k, v in t do s = s + k * v end
print(s)
