t = {}
print("a" .. t .. "b")
