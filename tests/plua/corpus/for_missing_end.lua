-- expect: 4: `end' expected (to close `for' at line 2)
for i = 1, 2 do
  x = i
