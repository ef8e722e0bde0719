print(tonumber("0x1A"), tonumber("1e+"), tonumber("--1"), tonumber("1 2"), tonumber("\t5\n"))
print(tonumber("inf"), tonumber("nan"), tonumber("1e400"))
