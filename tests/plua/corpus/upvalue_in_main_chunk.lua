-- expect: 3: cannot access upvalue in main
x = %y
