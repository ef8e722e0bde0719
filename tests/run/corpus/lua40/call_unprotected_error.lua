function bad() error("unprotected") end
call(bad, {})
print("not reached")
