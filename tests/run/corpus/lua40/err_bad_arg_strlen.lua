print(strlen())
