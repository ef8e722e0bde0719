-- expect: ok
in = 1
true = 2
false = in
goto = true
local true = 1
