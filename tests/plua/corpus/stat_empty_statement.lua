-- expect: 2: <statement> expected
x = 1;;
