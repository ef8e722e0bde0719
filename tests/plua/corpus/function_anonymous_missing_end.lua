-- expect: 4: `end' expected (to close `function' at line 2)
f = function(a)
  return a
