-- Writes a few records, reads them back, changes one and lists the database.
local f = opendb("Notes", "w")
local lines = {"first note", "second note", "third"}
local i = 1
while i <= getn(lines) do
  local n = createrec(f, strlen(lines[i]) + 1)
  openrec(f, n)
  write(f, lines[i], "\n")
  closerec(f)
  i = i + 1
end
closedb(f)

local g, count = opendb("Notes", "r+")
print("records", count)
i = 0
while i < count do
  print(i, openrec(g, i), read(g, "*l"))
  closerec(g)
  i = i + 1
end
resizerec(g, 2, 12)
openrec(g, 2)
write(g, "third, long\n")
closerec(g)
deleterec(g, 0)
openrec(g, 1)
print("now", read(g, "*l"))
closerec(g)
print("closed", closedb(g))
local names = listdb("PLua", "DATA")
print("databases", names[1], names.n)
print("missing", opendb("Nope", "r"))
