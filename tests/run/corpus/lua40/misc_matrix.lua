m = {}
for i = 1, 3 do m[i] = {} for j = 1, 3 do m[i][j] = i * j end end
print(m[2][3], m[3][3], getn(m), getn(m[1]))
