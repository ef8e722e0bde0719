-- expect: 4: immediately enclosing function
local x = 1
y = %x
