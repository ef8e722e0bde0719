local t = nil
function f() return %t.x end
f()
