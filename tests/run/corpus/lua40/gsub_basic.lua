print(gsub("hello world", "o", "0"))
print(gsub("hello world", "o", "0", 1))
print(gsub("hello world", "o", "0", 0))
print(gsub("hello world", "l+", "L"))
