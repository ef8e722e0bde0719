local t = {}
local s = "a" ..
  "b" ..
  t.missing ..
  "c"
