-- Syntax errors in Lua 4.0's words, as a handler hears them from dostring.
_ERRORMESSAGE = function(m) print(m) end
local programs = {
  "x = = 1",
  "if x then y = 1",
  "f(1, 2",
  "local function f() end",
  "t = {1, 2; 3}",
  "t = {a = 1; b = 2}",
  "t = {1, a = 2}",
  "for i = 1 do end",
  "for k, v, w in t do end",
  "for k in t do end",
  "while 1 x = 1 end",
  "repeat x = 1",
  "function f(a, 1) end",
  "function f(a,) end",
  "x = 1 y",
  "return 1 x = 2",
  "break",
  "f() = 1",
  "x, f() = 1, 2",
  "function f() local x return function() return x end end",
  "y = %z",
  "s = \"abc",
  "s = [[abc",
  "x = 3..4",
  "x = 1e",
  "$debug",
  "x = \"\\300\"",
  "x = 1 @",
  "a.b:c = 1",
  "x = (1)(2)",
  "do x = 1",
  "function a.b:c.d() end",
  "local 1 = 2",
  "x = y:z",
  "if x then else elseif y then end",
}
for i = 1, getn(programs) do
  print(i, dostring(programs[i]))
end
print(dostring("x = = 1 -- a long first line that goes on and on past sixty-three characters"))
print(dostring("x = = 1 -- a first line of exactly sixty-three characters, ....."))
print(dostring("x = = 1", "my chunk"))
print(dostring("y = 1\nx = = 2"))
print(dostring("s = 'ab\\999cd'"))
