t = {}
tinsert(t, "a") tinsert(t, "c") tinsert(t, 2, "b")
print(getn(t), t.n, t[1], t[2], t[3])
print(tremove(t, 1), getn(t), t[1], t[3])
print(tremove(t), t.n)
u = {1, 2, 3; n = 2}
print(getn(u))
v = {[5] = 1, [2] = 1}
print(getn(v), getn({}))
s = {5, 2, 8, 1}
sort(s) print(s[1], s[2], s[3], s[4])
sort(s, function(a, b) return a > b end) print(s[1], s[4])
names = {"bob", "Al", "carl"}
sort(names, function(a, b) return strlower(a) < strlower(b) end)
print(names[1], names[2], names[3])
p = {3, 1, 2; n = 2}
sort(p) print(p[1], p[2], p[3])
foreachi({"x", "y"}, function(i, v) print(i, v) end)
print(foreachi({1, 2, 3}, function(i, v) if v == 2 then return "found" .. i end end))
print(foreach({a = 1}, function(k, v) return k .. v end))
function three() return 1, 2, 3 end
print(getn({three()}), getn({three(), three()}))
x = {;} y = {"a",; n = 1,}
print(getn(x), y[1], y.n)
z = {1, 2; k = "v"}
print(z[2], z.k)
print(getn({n = 7}), tremove({}))
