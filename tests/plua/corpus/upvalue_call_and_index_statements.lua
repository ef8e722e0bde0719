-- expect: ok
function f()
  %print("hi")
  %t.x = 1
  %t[1] = %t
end
