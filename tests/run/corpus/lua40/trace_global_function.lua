-- A global function, named by the global its caller called it through.
_ALERT = function(s) write(s) end
function inner(x) error("inner failed: " .. x) end
function outer(x) inner(x + 1) end
print(call(outer, {1}, "x"))
print(call(function() outer(5) end, {}, "x"))
