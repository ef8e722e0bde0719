for i = 1, 10 do if i == 4 then break end write(i) end
print()
while 1 do break end
repeat break until nil
print("done")
