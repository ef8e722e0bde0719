print(dofile("no_such_file_here.lua"))
