-- expect: 3: <name> expected
x = 7
y = x % 2
