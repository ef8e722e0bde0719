t = {3, "a", 1}
sort(t)
