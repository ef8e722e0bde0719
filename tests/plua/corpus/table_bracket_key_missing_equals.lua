-- expect: 2: `=' expected
t = {[1] 2}
