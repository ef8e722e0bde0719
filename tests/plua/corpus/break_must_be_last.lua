-- expect: 4: `end' expected (to close `while' at line 2)
while 1 do
  break
  x = 1
end
