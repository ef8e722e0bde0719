-- expect: 2: malformed number
x = 3e
y = 1
