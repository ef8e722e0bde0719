-- expect: 3: <statement> expected
x = 1
#y
