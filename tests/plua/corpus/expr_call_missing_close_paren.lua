-- expect: 3: ')' expected (to close '(' at line
print(1, 2
x = 3
