s = [[
first
second]]
t = {
  1,
  2,
}
-- a comment
print("before")
print(x.y)
print("after")
