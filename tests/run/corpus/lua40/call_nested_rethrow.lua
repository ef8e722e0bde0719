function inner() error("deep") end
function middle() call(inner, {}, nil, function(m) print("H1", m) end) print("not here") end
print(call(middle, {}, "x", function(m) print("H2", m) end))
