-- The menu opens at the top of the screen from the Menu button or the
-- title; Home ends the program.
ptitle("Notes")
pmenu({"N:New Note", "D:Delete Note", "Preferences"})
pmoveto(0, 40)
print("Some notes")
while 1 do
  local e, v = pevent()
  if e == menuSelect then print("menu", v) end
end
