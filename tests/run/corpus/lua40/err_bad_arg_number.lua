print(sqrt({}))
