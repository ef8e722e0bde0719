-- expect: 2: <expression> expected
x = #t
