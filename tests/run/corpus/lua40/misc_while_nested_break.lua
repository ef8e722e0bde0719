for i = 1, 3 do
  for j = 1, 3 do
    if j == 2 then break end
    write(i, j, " ")
  end
end
print()
