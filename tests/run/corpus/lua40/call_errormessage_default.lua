function bad() error("to default") end
old = _ERRORMESSAGE
_ERRORMESSAGE = function(m) print("mine:", m) end
print(call(bad, {}, "x"))
_ERRORMESSAGE = old
print(type(_ERRORMESSAGE))
