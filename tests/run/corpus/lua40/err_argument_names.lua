-- "bad argument" names the function as the program called it
h = function(m) print("E: " .. m) end
call(strsub, {}, "x", h)
call(rawget, {1}, "x", h)
call(tinsert, {}, "x", h)
call(sort, {}, "x", h)
call(settag, {1}, "x", h)
call(format, {"%d", "x"}, "x", h)
local f = strsub
call(function() %f() end, {}, "x", h)
t = {s = strsub}
call(function() t.s() end, {}, "x", h)
foreach({1}, strsub)
