-- A list longer than its rows: scroll arrows and the page keys.
ptitle("Fruit")
local fruit = plist(4, 12, {"Apple", "Banana", "Cherry", "Damson", "Elder", "Fig",
                            "Grape", "Huckleberry", "Kiwi", "Lime"})
pnl()
while 1 do
  local e, id, row = pevent()
  if e == lstSelect then print("picked", row, pgettext(fruit)) end
  if e == keyDown then break end
end
