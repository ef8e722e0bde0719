-- gsub with functions: templates, word counts and escapes.
local text = strrep("the quick brown fox jumps over the lazy dog $name and $place. ", 40)
local vars = {name = "Ann", place = "Rome"}
local count = 0
for i = 1, 1500 do
  local out = gsub(text, "%$(%w+)", function(k) return %vars[k] end)
  local n = {}
  gsub(out, "(%a+)", function(w) %n[w] = (%n[w] or 0) + 1 end)
  local up = gsub(out, "(%a)(%a*)", function(a, b) return strupper(a) .. b end)
  count = count + n.the + strlen(up)
end
print(count)
