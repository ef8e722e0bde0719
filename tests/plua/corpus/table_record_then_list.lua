-- expect: 2: <name> or `[' expected
t = {x = 1, 2}
