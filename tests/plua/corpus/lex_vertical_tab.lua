-- expect: 2: invalid control char
x = 1 
