function rev(s) local r = "" for i = strlen(s), 1, -1 do r = r .. strsub(s, i, i) end return r end
print(rev("hello"), rev(""))
