tg = newtag()
settagmethod(tag(1), "pow", function(a, b) return "pow" end)
print(2 ^ 3)
