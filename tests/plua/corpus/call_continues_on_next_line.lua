-- expect: ok
f = print
f
("hi")
