s = ""
for i = 1, 10 do s = s .. i .. "," end
print(s, strlen(s))
