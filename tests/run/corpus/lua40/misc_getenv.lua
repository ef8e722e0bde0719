print(type(getenv("PATH")), getenv("SURELY_NOT_SET_ANYWHERE_12345"))
