print("start")
error()
print("after")
