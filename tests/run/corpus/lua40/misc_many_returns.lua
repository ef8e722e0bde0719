function f() return 1, 2, 3, 4, 5, 6, 7, 8, 9, 10 end
print(f())
print(getn({f()}))
