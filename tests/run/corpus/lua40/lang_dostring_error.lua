_ERRORMESSAGE = function(m) print("EM:", m) end
print(dostring("error('in string')"))
print(dostring("local a = nil\nreturn a.b"))
print("after")
