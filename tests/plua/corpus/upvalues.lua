-- expect: ok
function mk()
  local t = {}
  return function() %t.n = 1 return %t, %print end
end
