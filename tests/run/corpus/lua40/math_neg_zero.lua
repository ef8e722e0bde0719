print(-0)
print(0 * -1)
local lo = -0
local z = 0
print(1/z)
