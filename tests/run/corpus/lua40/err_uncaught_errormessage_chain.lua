old = _ERRORMESSAGE
_ERRORMESSAGE = function(m) print("mine:", m) %old(m) end
x = nil
print(x.y)
