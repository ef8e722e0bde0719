x = 1
y = strsub("abc",
  {},
  2)
