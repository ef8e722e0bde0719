-- expect: ok
local a, b, c = 1, 2
local d
local e, f = g()
