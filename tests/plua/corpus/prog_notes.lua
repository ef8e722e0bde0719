-- expect: ok
-- A small notes keeper: records in a table, a list to pick from,
-- sorting with a comparison closure, and a database for storage.
Notes = {n = 0}

function Notes:add(title, text)
  local note = {title = title, text = text, created = date()}
  tinsert(self, note)
  return note
end

function Notes:find(title)
  for i = 1, getn(self) do
    if self[i].title == title then return self[i], i end
  end
  return nil
end

function Notes:sorted(field)
  local copy = {}
  for i = 1, getn(self) do copy[i] = self[i] end
  sort(copy, function(a, b) return a[%field] < b[%field] end)
  return copy
end

function Notes:save(name)
  local f = opendb(name, "w")
  if not f then
    pconfirm("Cannot open " .. name)
    return nil
  end
  for i = 1, getn(self) do
    local note = self[i]
    local record = createrec(f, strlen(note.title) + strlen(note.text) + 2)
    openrec(f, record)
    write(f, note.title, "\n", note.text)
    closerec(f)
  end
  closedb(f)
  return 1
end

local counts = {}
for k, v in Notes do
  if type(v) == "function" then counts[k] = 1 end
end

Notes:add("Shopping", [[milk
bread
eggs]])
Notes:add("Ideas", "a game of [[nested]] brackets")
local first = Notes:sorted("title")[1]
if first and first.title ~= "" then
  print(format("%d notes, first %s", getn(Notes), first.title))
end

-- Wait for the pen or a key, then leave.
repeat
  local e, x, y = pevent()
  local done = e == penDown or e == keyDown
until done
