-- expect: 2: cannot assign to a function call
a, f() = 1, 2
