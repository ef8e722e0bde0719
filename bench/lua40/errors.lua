-- Errors caught by call with the default _ERRORMESSAGE, which hands
-- _ALERT the message and a traceback of the stack where it was raised.
alerts = 0
_ALERT = function(s) alerts = alerts + 1 end
function fail(i) error("failed " .. i) end
for i = 1, 10000 do call(fail, {i}, "x") end
for i = 1, 10000 do call(function(i) return nil + i end, {i}, "x") end
print(alerts)
