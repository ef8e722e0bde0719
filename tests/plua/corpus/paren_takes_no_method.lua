-- expect: 2: <statement> expected
x = ("x"):len()
