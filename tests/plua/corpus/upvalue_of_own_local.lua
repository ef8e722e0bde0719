-- expect: 5: immediately enclosing function
function f()
  local x = 1
  return %x
end
