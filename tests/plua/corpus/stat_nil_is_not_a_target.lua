-- expect: 2: <statement> expected
nil = 1
