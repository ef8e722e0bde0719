-- expect: 2: invalid table constructor
t = {;;}
