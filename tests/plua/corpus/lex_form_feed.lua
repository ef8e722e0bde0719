-- expect: 3: invalid control character 0x0C
x = 1
y = 2
