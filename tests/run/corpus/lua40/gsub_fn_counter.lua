n = 0
s = gsub("the quick brown fox", "%a+", function(w) n = n + 1 return strupper(strsub(w, 1, 1)) .. strsub(w, 2) end)
print(s, n)
