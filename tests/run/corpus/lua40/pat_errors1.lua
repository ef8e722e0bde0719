print(call(strfind, {"abc", "%"}, "x", function(m) print("H:", m) end))
print(call(strfind, {"abc", "[a"}, "x", function(m) print("H:", m) end))
print(call(strfind, {"abc", "(a"}, "x", function(m) print("H:", m) end))
print(call(strfind, {"abc", "a)"}, "x", function(m) print("H:", m) end))
