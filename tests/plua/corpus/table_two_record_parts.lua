-- expect: 2: invalid table constructor
t = {x = 1; y = 2}
