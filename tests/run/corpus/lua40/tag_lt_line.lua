-- a refused comparison over two lines, in a program with tag methods
settagmethod(newtag(), "lt", function(a, b) return 1 end)
x = {}
print(x
  <
  1)
