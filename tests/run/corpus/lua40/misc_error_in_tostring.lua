tostring = function(v) error("no tostring") end
print(call(print, {1}, "x", function(m) write("H: ", m, "\n") end))
