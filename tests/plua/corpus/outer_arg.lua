-- expect: 3: cannot access a variable in outer scope
function f(...)
  return function() return arg end
end
