print(call(strfind, {"abc", "%1"}, "x", function(m) print("H:", m) end))
print(call(strfind, {"abc", "(a)%2"}, "x", function(m) print("H:", m) end))
print(call(strfind, {"abc", "%b"}, "x", function(m) print("H:", m) end))
print(call(gsub, {"abc", "(b)", "%2"}, "x", function(m) print("H:", m) end))
