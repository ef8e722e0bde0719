-- expect: 4: <statement> expected
s = "a\
b"
= 1
