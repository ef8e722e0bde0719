n = 0
for k, v in {a = 1} do
  n = n + 1
  k = "not a key"
end
