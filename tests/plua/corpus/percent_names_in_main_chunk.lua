-- expect: 2: main chunk
y = a % b z = 1
