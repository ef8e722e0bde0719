for i = 1, 3 do
  local j = i
  i = i * 10
  write(j, ":", i, " ")
end
print()
