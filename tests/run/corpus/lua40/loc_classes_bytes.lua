-- Pattern classes and case changes over every byte, as Lua 4.0 has them
-- in the C locale whatever the desktop's: each as its ranges of bytes.
function ranges(test)
  local out, first = "", nil
  for c = 0, 256 do
    local inside = c < 256 and test(c)
    if inside and not first then first = c end
    if not inside and first then
      out = out .. " " .. first .. (c - 1 > first and "-" .. (c - 1) or "")
      first = nil
    end
  end
  return out
end
local classes = {"a", "c", "d", "l", "p", "s", "u", "w", "x", "z", "A", "D", "S", "W", "Z"}
for i = 1, getn(classes) do
  local pattern = "^%" .. classes[i] .. "$"
  print(classes[i], ranges(function(c) return strfind(strchar(c), %pattern) end))
end
print("[%a_]", ranges(function(c) return strfind(strchar(c), "^[%a_]$") end))
print("[^%s%d]", ranges(function(c) return strfind(strchar(c), "^[^%s%d]$") end))
print("lower", ranges(function(c) return strbyte(strlower(strchar(c))) ~= c end))
print("upper", ranges(function(c) return strbyte(strupper(strchar(c))) ~= c end))
