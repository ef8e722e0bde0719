-- the default handler called by the program takes a string or a number
_ALERT = function(s) write("ALERT[", strsub(s, 1, 12), "]\n") end
_ERRORMESSAGE(12)
print(call(_ERRORMESSAGE, {}, "x", function(m) print("E: " .. m) end))
_ERRORMESSAGE(nil)
