-- expect: ok
local stop = nil
repeat local stop = 1 until stop
