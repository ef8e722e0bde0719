-- expect: 4: <statement> expected
x = 1 +

y = 2
