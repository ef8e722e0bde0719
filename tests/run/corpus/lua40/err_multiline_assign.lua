local a,
  b = 1,
  nil + 1
