tostring = function(v) return "<" .. type(v) .. ">" end
print(1, "a", nil)
