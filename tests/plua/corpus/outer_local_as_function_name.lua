-- expect: 5: cannot access 'g'
function f()
  local g
  local h = function()
    function g() end
  end
end
