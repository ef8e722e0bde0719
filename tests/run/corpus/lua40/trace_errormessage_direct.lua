-- A program may call the default _ERRORMESSAGE itself, or from its own.
_ALERT = function(s) write(s) end
_ERRORMESSAGE("from the main chunk")
function warn(m) _ERRORMESSAGE("warning: " .. m) end
warn("low battery")
old = _ERRORMESSAGE
_ERRORMESSAGE = function(m) %old("logged: " .. m) end
print(call(function() error("wrapped") end, {}, "x"))
