function f(n)
  local x = n
  if n == 0 then
    return 0
  end
  return 1 +
    f(n - 1)
end
print(f(5000))
