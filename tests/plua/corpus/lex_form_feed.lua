-- expect: 3: invalid control char
x = 1
y = 2
