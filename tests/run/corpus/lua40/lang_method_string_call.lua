t = {f = function(self, s) return s end}
print(t:f"str", t:f{1}[1] or "tbl")
