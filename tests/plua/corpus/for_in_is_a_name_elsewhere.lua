-- expect: ok
in = {1}
for k, v in in do print(in) end
