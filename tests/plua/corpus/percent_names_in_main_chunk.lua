-- expect: 2: cannot access upvalue in main
y = a % b z = 1
