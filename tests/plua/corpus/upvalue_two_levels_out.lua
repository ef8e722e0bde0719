-- expect: 5: immediately enclosing function
function a()
  local x = 1
  return function()
    return function() return %x end
  end
end
