-- expect: 4: upvalue must be global or local to immediately outer scope
local x = 1
y = %x
