-- expect: 5: '}' expected (to close '{' at line
t = {
  1,
  2
x = 1
