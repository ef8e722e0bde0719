print(rename("nonexistent/a", "nonexistent/b"))
