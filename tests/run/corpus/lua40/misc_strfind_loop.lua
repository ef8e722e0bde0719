s = "a1b22c333"
i = 1
while 1 do
  local b, e = strfind(s, "%d+", i)
  if not b then break end
  write(strsub(s, b, e), ";")
  i = e + 1
end
print()
