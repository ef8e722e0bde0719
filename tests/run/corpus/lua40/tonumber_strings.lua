print(tonumber("  0x1f  "), tonumber("1e1"), tonumber("1.5e-3"), tonumber(".e1"), tonumber("0."))
print(tonumber("12", 10), tonumber(" 12 ", 16), tonumber("1.5", 16), tonumber("-10", 2))
