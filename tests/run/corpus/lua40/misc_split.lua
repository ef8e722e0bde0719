function split(s, sep)
  local t = {}
  gsub(s, "([^" .. sep .. "]*)", function(p) tinsert(%t, p) end)
  return t
end
t = split("a,b,,c", ",")
print(getn(t), t[1], t[2], t[3], t[4], t[5])
