-- expect: ok
function f()
  return function() return %x end
end
local x = 1
