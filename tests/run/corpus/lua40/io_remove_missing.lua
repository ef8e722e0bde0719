print(remove("nonexistent/file.txt"))
