-- expect: 4: `end' expected (to close `do' at line 2)
do
  x = 1
