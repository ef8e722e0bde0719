-- expect: 3: cannot assign to an upvalue
function f()
  %x = 1
end
