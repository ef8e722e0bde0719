print(gsub("one  two   three", "%s+", " "))
print(gsub("  trim me  ", "^%s*(.-)%s*$", "%1"))
