print(gsub("abc", "()b()", function(a, b) return a .. "-" .. b end))
