print(tonumber("10"), tonumber("10.5"), tonumber("  7"), tonumber("7  "), tonumber("x"))
print(tonumber("1e5"), tonumber(".5"), tonumber("5."), tonumber("-3"), tonumber("+3"))
print(tonumber(nil), tonumber({}), tonumber(12))
