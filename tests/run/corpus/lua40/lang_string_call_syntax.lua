print"hello"
print[[long]]
function f(t) return t[1] end
print(f{42})
