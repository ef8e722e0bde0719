-- expect: 4: `end' expected (to close `function' at line 2)
function f()
  return 1
  x = 2
end
