t = {10, 20}
function none() end
print(t[1], t[2 - 1 + 1])
local k = 2
print(t[k] or "absent", t[k and nil or 1])
print(t[none()])
