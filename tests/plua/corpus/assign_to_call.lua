-- expect: 2: syntax error
a, f() = 1, 2
