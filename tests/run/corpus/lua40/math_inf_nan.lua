print(1/0, -1/0, 2^2000)
z = 0
n = z/z
print(n == n, tostring(n) ~= "")
