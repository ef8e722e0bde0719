-- expect: 4: `until' expected (to close `repeat' at line 2)
repeat
  x = 1
end
