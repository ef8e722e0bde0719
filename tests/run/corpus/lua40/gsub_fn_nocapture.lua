print(gsub("abc", "%w", function(c) return "<" .. tostring(c) .. ">" end))
