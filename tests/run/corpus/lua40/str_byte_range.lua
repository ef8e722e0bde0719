print(call(strbyte, {"abc", 4}, "x", function(m) print("H:", m) end))
print(call(strbyte, {"abc", 0}, "x", function(m) print("H:", m) end))
print(call(strbyte, {"", 1}, "x", function(m) print("H:", m) end))
