print(strfind("a\0b", "\0"), strfind("a\0b", "%z"), gsub("a\0b\0", "%z", "0"))
print(strfind("\255x", "[\200-\255]"))
