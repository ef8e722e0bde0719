print(tonumber("ff", 16), tonumber("777", 8), tonumber("101", 2), tonumber("zz", 36))
print(tonumber("8", 8), tonumber("", 16), tonumber("1f", 10), tonumber(" a ", 16))
