-- expect: 2: main chunk
%x = 1
