-- expect: 3: syntax error
function f()
  %x = 1
end
