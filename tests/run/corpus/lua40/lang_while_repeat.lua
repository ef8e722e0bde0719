i = 0
while i < 3 do i = i + 1 end
repeat i = i - 1 until i == 0
print(i)
