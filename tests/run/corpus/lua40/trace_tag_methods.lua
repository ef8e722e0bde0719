-- A tag method the virtual machine calls is named after its event, unless
-- a global holds it.
_ALERT = function(s) write(s) end
point = newtag()
settagmethod(point, "index", function(o, k) error("no field " .. k) end)
settagmethod(point, "add", function(a, b) error("cannot add") end)
settagmethod(point, "concat", function(a, b) return nil + 1 end)
function pointlt(a, b) error("cannot order points") end
settagmethod(point, "lt", pointlt)
p = settag({}, point)
print(call(function() return p.x end, {}, "x"))
print(call(function() return p + 1 end, {}, "x"))
print(call(function() return "a" .. p end, {}, "x"))
print(call(function() return p < p end, {}, "x"))
print(call(function() return 2 ^ "two" end, {}, "x"))
