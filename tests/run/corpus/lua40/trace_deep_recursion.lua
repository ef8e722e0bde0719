-- Past 22 levels 4.0 shows the first eleven and the last ten.
_ALERT = function(s) write(s) end
function down(n) if n == 0 then error("bottom") end down(n - 1) end
print(call(down, {9}, "x"))
print(call(down, {25}, "x"))
