-- A comparison that fails on a table with holes fails on its own line.
x = 1
sort({3, nil, 1}, function(a, b)
  error("holes")
end)
