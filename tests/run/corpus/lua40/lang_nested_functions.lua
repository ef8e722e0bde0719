function outer()
  local function_result = {}
  function inner(x) return x * 2 end
  return inner(21)
end
print(outer(), inner(1))
