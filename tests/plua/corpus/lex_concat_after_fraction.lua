-- expect: ok
x = 1.5..2
