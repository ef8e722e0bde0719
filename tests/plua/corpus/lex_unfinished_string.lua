-- expect: 3: unfinished string
x = 1
y = "abc
z = 2
