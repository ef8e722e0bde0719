-- expect: 3: pragmas
x = 1
$debug
