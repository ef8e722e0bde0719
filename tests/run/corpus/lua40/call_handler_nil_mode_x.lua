_ERRORMESSAGE = function(m) print("EM:", m) end
function bad() error("oops") end
print(call(bad, {}, "x"))
print("after")
