function f() return 1, 2, 3 end
t = call(f, {}, "p")
print(type(t), t and t.n, t and t[3])
