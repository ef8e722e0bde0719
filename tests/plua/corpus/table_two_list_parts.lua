-- expect: 2: invalid constructor syntax
t = {1; 2}
