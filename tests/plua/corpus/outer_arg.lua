-- expect: 3: cannot access 'arg'
function f(...)
  return function() return arg end
end
