-- expect: 2: invalid control character 0x0B
x = 1 
