-- expect: ok
x = - - 1
y = not not nil
