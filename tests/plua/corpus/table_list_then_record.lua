-- expect: 2: `}' expected
t = {1, x = 2}
