-- expect: 4: 'end' expected (to close 'while' at line
while 1 do
  break
  x = 1
end
