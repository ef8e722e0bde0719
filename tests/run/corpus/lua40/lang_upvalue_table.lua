local t = {v = 1}
f = function() %t.v = %t.v + 1 return %t.v end
print(f(), f(), t.v)
