print("before exit")
exit(0)
print("after exit")
