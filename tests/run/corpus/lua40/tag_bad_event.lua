print(call(settagmethod, {newtag(), "nosuchevent", print}, "x", function(m) print("H:", m) end))
