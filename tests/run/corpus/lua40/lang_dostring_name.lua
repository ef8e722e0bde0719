_ERRORMESSAGE = function(m) print("EM:", m) end
print(dostring("local t; return t.x", "chunk"))
print(dostring("local t; return t.x"))
