-- a comment
print(1) -- trailing
--[[ not a block comment in 4.0
print(2)
--]]
print(3)
