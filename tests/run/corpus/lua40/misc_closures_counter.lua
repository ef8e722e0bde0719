function counter()
  local c = {n = 0}
  return function() %c.n = %c.n + 1 return %c.n end
end
a = counter() b = counter()
print(a(), a(), b(), a())
