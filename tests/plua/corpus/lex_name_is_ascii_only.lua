-- expect: 2: `=' expected
café = 1
