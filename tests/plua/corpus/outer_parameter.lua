-- expect: 3: cannot access 'a'
function f(a)
  return function() return a end
end
