-- expect: 2: <name> expected
local function f() end
