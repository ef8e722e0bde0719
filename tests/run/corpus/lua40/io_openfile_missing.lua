print(openfile("nonexistent/dir/file.txt", "r"))
