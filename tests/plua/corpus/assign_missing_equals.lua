-- expect: 3: `=' expected
x
y = 1
