t = {"pear", "apple", "Banana", "cherry", "Apple", "banana", "10", "9"}
sort(t)
for i = 1, getn(t) do write(t[i], " ") end
print()
