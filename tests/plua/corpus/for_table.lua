-- expect: ok
for k, v in t do print(k, v) end
