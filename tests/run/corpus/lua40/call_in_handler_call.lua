function h(m) print("outer handler", m) end
function g() error("g failed") end
function f()
  local r = call(g, {}, "x", function(m) print("inner handler", m) end)
  print("after inner", r)
  error("f failed")
end
print(call(f, {}, "x", h))
