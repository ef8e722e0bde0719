function bad() error("oops") end
print(call(bad, {}, "x", function(m) print("handler got:", m) end))
