-- closures stored in tables, upvalues, locals: all follow globals(t)
local keep = {}
function show() return x end
keep.f = function() return x end
function mk() return function() return x end end
local g = mk()
x = "old"
t = {x = "new", print = print, tostring = tostring, globals = globals, show = show}
local old = globals(t)
print(show(), keep.f(), g(), dostring)
globals(old)
print(show(), keep.f(), g())
