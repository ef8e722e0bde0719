-- expect: 2: cannot access upvalue in main
%x = 1
