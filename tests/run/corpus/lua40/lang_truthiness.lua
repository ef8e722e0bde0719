if 0 then print("0 is true") end
if "" then print("empty string is true") end
if nil then print("never") else print("nil is false") end
