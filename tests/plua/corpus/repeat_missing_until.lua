-- expect: 4: 'until' expected (to close 'repeat'
repeat
  x = 1
end
