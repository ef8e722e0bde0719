local a = 1
f = function() return %a end
a = 2
print(f(), a)
