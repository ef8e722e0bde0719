function f(t)
  return t.field
end
local ok = call(f, {{field = 1}})
print(ok)
call(f, {})
