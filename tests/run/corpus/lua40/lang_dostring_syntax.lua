_ERRORMESSAGE = function(m) print("EM:", m) end
print(dostring("x = = 1"))
print("after")
