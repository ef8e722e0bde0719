-- expect: 2: malformed number
x = 1e+
