t = {3, nil, 1; n = 3}
sort(t)
