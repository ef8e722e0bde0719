-- A program's mix: parse records, index them, sort, format a report.
local lines = {}
for i = 1, 4000 do
  lines[i] = format("%d;%s;%d", i, "item" .. mod(i * 37, 1000), mod(i * 13, 97))
end
local total = 0
for round = 1, 60 do
  local recs = {}
  for i = 1, getn(lines) do
    local _, _, id, name, qty = strfind(lines[i], "^(%d+);([^;]*);(%d+)$")
    tinsert(recs, {id = tonumber(id), name = name, qty = tonumber(qty)})
  end
  sort(recs, function(a, b) if a.qty ~= b.qty then return a.qty > b.qty end return a.id < b.id end)
  local report = {}
  for i = 1, 200 do
    local r = recs[i]
    report[i] = gsub(format("%-10s %4d", r.name, r.qty), "(%d+)", function(d) return "<" .. d .. ">" end)
  end
  total = total + getn(report) + recs[1].qty + strlen(report[200])
end
print(total)
