-- expect: 2: invalid constructor syntax
t = {x = 1; y = 2}
