-- expect: 2: <name> expected
x = 7 % 3
