-- expect: 4: immediately enclosing function
function f(a, b)
  local c = a % b
  return c
end
