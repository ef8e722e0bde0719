-- A local function, named by the local it was called through.
_ALERT = function(s) write(s) end
local helper = function(n) error("helper " .. n) end
helper2 = function()
  local check = function(v) if v == nil then error("no value") end end
  check(nil)
end
print(call(function() local h = %helper h(3) end, {}, "x"))
print(call(helper2, {}, "x"))
