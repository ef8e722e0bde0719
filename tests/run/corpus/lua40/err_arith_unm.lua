local s = {}
print(-s)
