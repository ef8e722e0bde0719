t = {}
x = 7
for i = 1, 200 do x = mod(x * 31 + 11, 1009) t[i] = x end
sort(t)
ok = 1
for i = 2, 200 do if t[i-1] > t[i] then ok = nil end end
print(ok, t[1], t[100], t[200])
