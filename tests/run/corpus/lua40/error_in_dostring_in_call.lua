_ERRORMESSAGE = function(m) print("EM", m) end
function f() return dostring("error('deep')") end
print(call(f, {}, "x"))
print(dostring("return call(error, {'nested'}, 'x')"))
