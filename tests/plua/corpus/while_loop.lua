-- expect: ok
x = 3
while x do x = nil end
while 1 do break end
