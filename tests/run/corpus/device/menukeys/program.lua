-- A menu and keys: typed letters are drawn, menu items act.
ptitle("Typist")
pmenu({"C:Clear", "B:Beep", "Q:Quit"})
pmoveto(0, 20)
while 1 do
  local e, v = pevent()
  if e == keyDown then
    if v < 256 then
      print(strchar(v))
    else
      print(format("button %04x", v))
    end
  elseif e == menuSelect then
    print("menu", v)
    if v == 1 then pclear() ptitle("Typist") pmoveto(0, 20) end
    if v == 2 then pbeep(1) end
    if v == 3 then break end
  end
end
