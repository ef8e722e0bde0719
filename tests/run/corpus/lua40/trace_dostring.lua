-- Chunks of dostring and dofile are named as 4.0 names them.
_ALERT = function(s) write(s) end
print(dostring("local a = 1\nreturn a + nil"))
print(dostring("error('named chunk')", "settings"))
print(dostring("error('long chunk name') -- a first line longer than forty-three characters"))
if dostring("function later() error('defined by dostring') end") then print("defined") end
print(call(later, {}, "x"))
print(call(function() dostring("x = = 1") end, {}, "x"))
writeto("trace_dostring.tmp")
write("function fromfile() error('defined by dofile') end\nfromfile()\n")
writeto()
print(dofile("trace_dostring.tmp"))
remove("trace_dostring.tmp")
print(dostring("x = 1\nx = x .. {}", "@as_a_file.lua"))
print(dostring("x = -{}", "=as it is"))
