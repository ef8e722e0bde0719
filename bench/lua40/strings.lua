-- The string library: sub, find, format, upper, byte and char, concatenation.
local words = {"alpha", "beta", "gamma", "delta", "epsilon", "zeta", "eta", "theta"}
local total = 0
local s = ""
for i = 1, 600000 do
  local w = words[mod(i, 8) + 1]
  local line = format("%5d %-8s %6.2f", i, w, i / 7)
  local a, b = strfind(line, w, 1, 1)
  total = total + strlen(strsub(line, a, b)) + strbyte(line, 7)
  s = strupper(strsub(w, 1, 2)) .. strchar(65 + mod(i, 26))
  if strfind(line, "^%s*%d+%s+[ae]") then total = total + 1 end
end
print(total, s)
