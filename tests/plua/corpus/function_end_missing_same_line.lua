-- expect: 2: `end' expected
f(function() return 1)
