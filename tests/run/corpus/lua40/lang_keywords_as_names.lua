true = 1
false = 2
goto = 3
print(true, false, goto)
local in_ = 4
print(in_)
