print(1 and 2, nil and 1, nil or 3, 1 or 2, nil or nil, 0 and "zero")
print(not nil, not 1, not not nil, not 0)
