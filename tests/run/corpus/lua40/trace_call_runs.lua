-- The function call runs is called from C: 4.0 looks for it among the
-- globals, then the tag methods; an anonymous one shows where it starts.
_ALERT = function(s) write(s) end
function named(a, b) return a + b end
print(call(named, {1, nil}, "x"))
print(call(function(a) return a .. {} end, {"s"}, "x"))
print(call(strrep, {"x"}, "x"))
print(call(call, {error, {"nested"}}, "x"))
