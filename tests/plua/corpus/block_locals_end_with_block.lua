-- expect: ok
function f()
  do local x = 1 end
  return function() return x end
end
