s = [[first
second [[inner]] end]]
print(s)
print(strlen([[
x]]))
