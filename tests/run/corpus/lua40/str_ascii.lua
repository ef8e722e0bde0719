print(type(ascii))
if ascii then print(ascii("A"), ascii("abc", 2)) end
