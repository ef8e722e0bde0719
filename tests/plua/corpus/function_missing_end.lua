-- expect: 4: 'end' expected (to close 'function' at line
function f()
  return 1
