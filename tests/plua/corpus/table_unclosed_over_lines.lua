-- expect: 5: `}' expected (to close `{' at line 2)
t = {
  1,
  2
x = 1
