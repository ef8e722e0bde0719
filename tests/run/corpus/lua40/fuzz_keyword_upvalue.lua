local x = nil
function f()
  if not%x then return "right" else return "wrong" end
end
function g() return%x end
function h() return 1 and%x end
print(f(), g(), h())
