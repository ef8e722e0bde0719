-- expect: 3: `do' expected
while x
  y = 1
end
