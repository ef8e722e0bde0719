-- a - k for a small whole k is a + -k in 4.0: the add tag method hears it, and -0 - 0 is 0
z = -0
print(z - 0, z - -0, z + 0, z - 0.0, 1 - 1, 5 - 2.5, 5 - 1e3, 5 - 33554431, 5 - 33554432, 10 - (3), 10 - - -2)
tg = newtag()
settagmethod(tg, "add", function(a, b, e) return "add " .. tostring(b) .. " " .. e end)
settagmethod(tg, "sub", function(a, b, e) return "sub " .. tostring(b) .. " " .. e end)
u = settag({}, tg)
print(u - 1, u - 0.5, u - -2, u + 3, u - (4), type(1 - u), u - 2^2, u - 40000000)
print("10" - 1, "10" - 1.5)
