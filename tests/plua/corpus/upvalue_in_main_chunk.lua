-- expect: 3: main chunk
x = %y
