-- a >= b is not (a < b) in 4.0: NaN and the names in its message
nan = 0/0
print(nan >= 1, 1 >= nan, nan <= 1, 1 <= nan, nan > 1, nan < 1, 2 >= 1, 1 >= 2, "b" >= "a")
if 3 >= 3 then print("ge") end
x = 5 >= 4 >= nil
print(x)
print(call(function() return "a" >= 1 end, {}, "x", function(m) print("E: " .. m) end))
print(call(function() return 1 >= {} end, {}, "x", function(m) print("E: " .. m) end))
print(call(function() return nil
  >= 2 end, {}, "x", function(m) print("E: " .. m) end))
