-- expect: ok
for i = 1, 3 do if i == 2 then break end end
repeat break until 1
for k, v in t do break end
while 1 do do break end end
