-- expect: 2: unfinished string
x = 'abc
