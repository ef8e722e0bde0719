_ERRORMESSAGE = function(m) print("handler:", m) end
print(call(function() error() end, {}, "x"))
print("after")
