-- expect: 4: 'end' expected (to close 'for' at line
for i = 1, 2 do
  x = i
