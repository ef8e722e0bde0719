print(gsub("a(b(c))", "%b()", function(s) return gsub(s, "%w", strupper) end))
