-- ^ as Lua 4.0 runs it: the pow tag method of the operands' tags.
default = _ERRORMESSAGE
_ERRORMESSAGE = function(m) print("EM", m) end
print(2 ^ 10, -2 ^ 2, 2 ^ -1, 2 ^ 3 ^ 2, (2 ^ 3) ^ 2, 2 * 3 ^ 2)
print("2" ^ 3, 2 ^ "3", 4 ^ 0.5)
print(call(function() return "2" ^ "3" end, {}, "x"))
tg = newtag()
v = settag({n = 3}, tg)
settagmethod(tg, "pow", function(a, b, e) return e .. ":" .. tostring(tag(a)) .. ":" .. tostring(b) end)
print(v ^ 2, call(function() return 2 ^ %v end, {}, "x"))
print(call(function() return {} ^ 2 end, {}, "x"))
print(call(function() return nil ^ nil end, {}, "x"))
_ERRORMESSAGE = default
x = 2 ^
  nil
