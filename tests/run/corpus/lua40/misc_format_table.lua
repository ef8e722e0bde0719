rows = {{"apple", 1.5}, {"kiwi", 0.25}, {"watermelon", 12}}
for i = 1, getn(rows) do print(format("%-12s%8.2f", rows[i][1], rows[i][2])) end
