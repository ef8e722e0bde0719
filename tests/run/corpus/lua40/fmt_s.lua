print(format("%s|%10s|%-10s|%.2s", "abc", "abc", "abc", "abc"))
print(format("%s %s", 12, 1/3), format("%5.1s|", "xyz"))
