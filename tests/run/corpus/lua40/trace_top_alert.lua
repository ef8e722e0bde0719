-- an error no call catches reaches the program's own _ALERT with its traceback
_ALERT = function(s) write("ALERT[", s, "]") end
local x = nil + 1
