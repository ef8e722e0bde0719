A = {x = "from A"}
ta = newtag()
settagmethod(ta, "index", function(t, k) return A[k] end)
B = settag({}, ta)
tb = newtag()
settagmethod(tb, "index", function(t, k) return B[k] end)
C = settag({}, tb)
print(C.x, C.y)
