-- expect: 5: cannot access a variable in outer scope
function f()
  local g
  local h = function()
    function g() end
  end
end
