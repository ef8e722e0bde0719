print(call(function() return "10" < 9 end, {}, "x", function(m) print("H:", m) end))
print("10" == 10, "abc" < "abd", "" < " ")
