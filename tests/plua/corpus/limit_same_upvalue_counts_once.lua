-- expect: ok
function f()
  return function() return %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x + %x end
end
