i = 0
while i < 3
  and nil + i do
  i = i + 1
end
