print(readfrom("nonexistent/file.txt"))
