-- Table work: tinsert and tremove, getn, fields, for k, v in t, foreachi.
local total = 0
for round = 1, 150 do
  local q = {}
  for i = 1, 3000 do tinsert(q, {id = i, name = "n" .. i, score = mod(i * 7, 101)}) end
  local sum = 0
  for i = 1, getn(q) do sum = sum + q[i].score end
  while getn(q) > 2000 do
    local r = tremove(q)
    sum = sum + r.id
  end
  foreachi(q, function(i, v) if v.score > 50 then %q[i].score = v.score - 1 end end)
  local m = {}
  for i = 1, getn(q) do m[q[i].name] = q[i] end
  for k, v in m do if v.score > 90 then sum = sum + 1 end end
  total = total + sum + getn(q) + m.n100.score
end
print(total)
