settagmethod(tag(nil), "index", function(t, k) return "none" end)
print(nil)
