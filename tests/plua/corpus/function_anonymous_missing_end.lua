-- expect: 4: 'end' expected (to close 'function' at line
f = function(a)
  return a
