-- expect: 5: `=' expected
s = [[a
b
c]] x
