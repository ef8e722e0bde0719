x = "global"
do local x = "local" print(x) end
print(x)
local y = 1
do local y = y + 1 print(y) end
print(y)
