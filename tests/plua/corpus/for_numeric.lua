-- expect: ok
for i = 1, 10 do end
for i = 10, 1, -1 do x = i end
