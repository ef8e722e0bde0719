-- expect: 2: malformed number
x = .5.3
