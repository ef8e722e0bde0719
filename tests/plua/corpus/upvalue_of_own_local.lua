-- expect: 5: upvalue must be global or local to immediately outer scope
function f()
  local x = 1
  return %x
end
