-- expect: 2: <expression> expected
x = ~1
