print(gsub("abc", "x-", "-"))
print(gsub("abc", ".-", "/"))
