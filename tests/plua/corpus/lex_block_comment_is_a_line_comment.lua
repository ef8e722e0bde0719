-- expect: 3: `=' expected
--[[ a comment?
this is not code
]]
