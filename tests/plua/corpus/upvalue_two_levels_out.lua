-- expect: 5: upvalue must be global or local to immediately outer scope
function a()
  local x = 1
  return function()
    return function() return %x end
  end
end
