n = 0
print(gsub("ab", "", function() n = n + 1 return "|" end), n)
