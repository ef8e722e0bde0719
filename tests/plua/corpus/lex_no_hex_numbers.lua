-- expect: 3: `=' expected
x = 0x1F
