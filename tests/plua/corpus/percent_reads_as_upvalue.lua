-- expect: 4: upvalue must be global or local to immediately outer scope
function f(a, b)
  local c = a % b
  return c
end
