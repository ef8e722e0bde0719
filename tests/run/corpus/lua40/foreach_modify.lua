t = {1, 2, 3}
print(foreachi(t, function(i, v) if i == 2 then return "stop" end end))
print(foreach({}, print))
