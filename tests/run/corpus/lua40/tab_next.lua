t = {10}
k, v = next(t, nil)
print(k, v, next(t, k))
print(next({}))
