-- expect: 4: 'end' expected (to close 'function' at line
function f()
  return 1
  x = 2
end
