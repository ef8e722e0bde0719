-- expect: 3: `)' expected
x = (1 + 2
y = 3
