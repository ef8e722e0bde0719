print("a")
print(strlen("x"),
  nil .. "b")
