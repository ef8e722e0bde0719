t = {10, 20, 30; n = 3}
sum = 0
count = 0
for k, v in t do
  count = count + 1
  if type(k) == "number" then sum = sum + v end
end
print(count, sum)
for i = 1, 3 do write(i, " ") end print()
for i = 10, 1, -4 do write(i, ",") end print()
for i = 1, 0 do print("never") end
for i = 0.5, 1.5, 0.5 do write(i, " ") end print()
keys = {}
for k, v in {a = 1} do keys[k] = v end
print(keys.a)
for i = 1, 10 do if i == 4 then break end write(i) end print()
n = 0
repeat local stop = 1 n = n + 1 until stop or n == 3
print(n)
in = 3 local true = 5
print(in, true, false)
r = {true = 1, false = 2}
print(r.true, r["false"])
a = 3x = 1
print(a, x)
for i = 1, 10 do
  if i == 3 then i = 8 end
  write(i, " ")
end
print()
for i = 1, 3 do local i = i * 10 write(i, " ") end print()
for i = 10, 1, -3 do i = i - 1 write(i, " ") end print()
for i = 1, 2 do i = i .. "" end
