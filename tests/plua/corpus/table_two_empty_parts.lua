-- expect: 2: invalid constructor syntax
t = {;;}
