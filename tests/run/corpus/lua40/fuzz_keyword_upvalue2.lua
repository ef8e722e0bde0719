local x = 5
function f() if not%x then return "no" end return%x end
print(f())
