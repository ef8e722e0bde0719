x = 3
for k, v in x do print(k) end
