name = "x"
print("a" .. name ..
  undefined .. "b")
