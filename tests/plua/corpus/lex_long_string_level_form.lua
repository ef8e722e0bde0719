-- expect: 2: <expression> expected
s = [==[ a ]==]
