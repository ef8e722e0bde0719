print("one")
exit()
print("two")
