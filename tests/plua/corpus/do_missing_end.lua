-- expect: 4: 'end' expected (to close 'do' at line
do
  x = 1
