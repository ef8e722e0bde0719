-- expect: ok
for i = 1, 2 do end
x = i
