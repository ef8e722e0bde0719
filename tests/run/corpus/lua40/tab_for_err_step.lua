for i = 1, 2, {} do print(i) end
