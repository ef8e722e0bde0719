-- expect: 3: cannot access a variable in outer scope
function f(a)
  return function() return a end
end
