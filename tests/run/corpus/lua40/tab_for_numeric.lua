for i = 1, 3 do write(i, " ") end
for i = 3, 1, -1 do write(i, " ") end
for i = 1, 2, 0.5 do write(i, " ") end
for i = 1, 0 do write("never") end
print()
