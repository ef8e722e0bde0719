-- Lua 4.0 has no tail calls: endless `return f()` overflows its stack.
function loop(n)
  return loop(n + 1)
end
loop(1)
