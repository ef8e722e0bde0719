print("Z" < "a", "a" < "B", "apple" < "Banana")
t = {"pear", "apple", "Banana"}
sort(t)
print(t[1], t[2], t[3])
