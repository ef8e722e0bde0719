print(gsub("a1_B2 .,;", "%w+", "W"), gsub("x\ty\nz", "%s", "_"), gsub("AbC", "%u", "u"))
print(strfind("abc123", "%d+$"), strfind("  x", "^%s*()"), strfind("a.b", "[.]"))
print(gsub("hello", "l*", "X"))
