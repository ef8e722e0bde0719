-- An upvalue call names nothing; a global holding the function names it.
_ALERT = function(s) write(s) end
local private = function() error("private") end
function public() error("public") end
print(call(function() %private() end, {}, "x"))
print(call(function() %public() end, {}, "x"))
