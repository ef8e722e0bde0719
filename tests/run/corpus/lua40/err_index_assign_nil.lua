x = nil
x.y = 1
