text = "the cat sat on the mat the end"
counts = {}
gsub(text, "%a+", function(w) counts[w] = (counts[w] or 0) + 1 end)
print(counts.the, counts.cat, counts.mat)
