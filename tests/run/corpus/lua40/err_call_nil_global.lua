print("a")
foo()
