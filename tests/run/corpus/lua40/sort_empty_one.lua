t = {}
sort(t)
t = {7}
sort(t)
print(t[1], getn(t))
