_ERRORMESSAGE = function(m) print("custom:", m) end
print("before")
error("boom")
print("after")
