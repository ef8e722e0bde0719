print(tonumber("0x10"), tonumber("  12  "), tonumber("1e"), tonumber(""), tonumber(" "))
