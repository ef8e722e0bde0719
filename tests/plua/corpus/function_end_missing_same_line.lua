-- expect: 2: 'end' expected near ')'
f(function() return 1)
