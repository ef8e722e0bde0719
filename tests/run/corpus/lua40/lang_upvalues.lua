function make(n)
  return function(x) return x + %n end
end
add5 = make(5)
print(add5(10), make(1)(1))
