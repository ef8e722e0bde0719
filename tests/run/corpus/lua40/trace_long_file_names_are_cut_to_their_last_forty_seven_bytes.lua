-- 4.0 names a file by at most its last 47 bytes.
_ALERT = function(s) write(s) end
function check(v) if not v then error("check failed") end end
print(call(check, {nil}, "x"))
