-- expect: 3: `)' expected (to close `(' at line 2)
print(1, 2
x = 3
