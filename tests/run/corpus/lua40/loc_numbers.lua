print(0.5, tonumber("0.5"), format("%.2f", 3.14159))
print("0.5" + 1)
print(1.25 .. "", tostring(2.75), 1e-3)
