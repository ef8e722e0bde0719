print("one")
if 1 then exit(3) end
