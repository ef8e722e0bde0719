function c(x)
  if x == 1 then return "one" elseif x == 2 then return "two" else return "many" end
end
print(c(1), c(2), c(3))
