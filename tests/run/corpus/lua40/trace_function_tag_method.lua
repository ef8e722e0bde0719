-- A table's function tag method, called through the variable that holds
-- the table, is named after that variable.
_ALERT = function(s) write(s) end
handler = newtag()
settagmethod(handler, "function", function(o, x) error("cannot call " .. x) end)
button = settag({}, handler)
print(call(function() button("pressed") end, {}, "x"))
