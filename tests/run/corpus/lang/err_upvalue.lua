function make()
  local t = nil
  return function() return %t.x end
end
f = make()
print(f())
