-- expect: 2: invalid control character 0x7F
x = 1 
