-- expect: 2: <statement> expected
x = (f)(1)
