-- expect: 4: `end' expected (to close `function' at line 2)
function f()
  return 1
