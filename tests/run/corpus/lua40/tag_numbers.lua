-- Tags as Lua 4.0 numbers them: its file library makes 6 and 7.
print(tag(_STDIN), tag(_STDOUT), newtag(), newtag()) local f = openfile("tt.txt", "w") print(tag(f)) closefile(f) print(tag(f)) remove("tt.txt")
