-- expect: 3: <expression> expected
x = 1 +
