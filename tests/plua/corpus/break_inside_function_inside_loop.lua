-- expect: 3: no loop to break
while 1 do
  f = function() break end
end
