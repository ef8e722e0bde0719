print(gsub("a b c", "%a", function(c) if c == "b" then return nil end return 1 end))
print(gsub("xyz", "y", function() return 2.5 end))
print(call(gsub, {"xyz", "y", function() return {} end}, "x", function(m) print("H:", m) end))
