-- Lua 4.0 computes arithmetic on constants when it runs: 0 * -1 is -0.
print(-0, 0 * -1, -0 * 1, 0 / -5, -(2 - 2), (0) * -1)
local a = 0
print(-a, a * -1, 1 / (0 * -1) < 0)
print(-0.0, 0 - 0, -(0 - 0) * 1, 2 * (0 * -1))
print(format("%.1f", 0 * -1))
