t = {}
function f() print("value made") return 1 end
t[nil] = f()
