function f()
  local x = 1
  local y = nil
  return x + y
end
print("before")
f()
