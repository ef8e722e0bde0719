local t
print(t.x)
