old = globals()
t = {print = print, tostring = tostring, globals = globals}
t.t = t
t.old = old
globals(t)
x = 5
print(x, t.x)
globals(old)
print(x, t.x)
function f() return y end
y = "old y"
globals({y = "new y", globals = globals, print = print, tostring = tostring, f = f, old = old})
print(y, f())
globals(old)
