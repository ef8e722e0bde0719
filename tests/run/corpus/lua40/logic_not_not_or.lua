-- two nots keep the value of a true operand of an or, as 4.0's jumps do
y = 2 n = nil s = "str"
print(not (y or nil), not not (y or nil), not not (n or 5), not not (y and 3), not not (n and 3), not not (y and n))
print(not not (y or n), not not not (y or n), (not not (y or n)) == 1, not not (1 < 2 or n))
print(not not (y == 2 or n), not not (y ~= 2 or 7), not not ((y or n)), not not (y or n) and "T")
local a = not not (y or n) print(a)
if not not (y or n) then print("yes") end
print(not not not not (y or n), not not (y + 1 or n), not not (s .. "x" or n), not not (n or s or 3), not not (n or n or 3))
print(not not (f or s), not not (n or (y or 3)), not not ((y and 5) or n), not not (n or (y and 5)), not not (not n or 3))
function f() return 4 end
print(not not (f() or n), not not (f or n) == f, not not ({} or n) ~= nil, not not (n or {}) == 1)
print(not not (y < 3 or 5), not not (n or y < 3), not not (-y or 1), not not (y or n or 7))
print(not not not (y or nil), not not not not not (y or nil), not not not not not not (y or nil))
