-- expect: 2: invalid table constructor
t = {1; 2}
