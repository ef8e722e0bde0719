-- expect: 2: <statement> expected
local t.x = 1
