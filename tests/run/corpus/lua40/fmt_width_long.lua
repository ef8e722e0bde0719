print(format("%99d|", 1) == strrep(" ", 98) .. "1|")
print(strlen(format("%.99f", 1)))
