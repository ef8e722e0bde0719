print("before")
exit(3)
