-- expect: 4: main chunk
y = a % b

z = 1
