function check(v)
  if v > 2 then
    error("too big: " .. v)
  end
  return v
end
print(check(1))
print(check(3))
