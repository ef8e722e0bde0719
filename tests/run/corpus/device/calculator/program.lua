-- A four-function calculator built from buttons.
ptitle("Calc")
local display = pfield(1, 20, 16, "0", nil, 1)
local keys = {"7", "8", "9", "/", "4", "5", "6", "*", "1", "2", "3", "-", "0", "C", "=", "+"}
local ids = {}
local i = 1
while i <= 16 do
  if mod(i - 1, 4) == 0 then pnl() end
  ids[pbutton(" " .. keys[i] .. " ")] = keys[i]
  i = i + 1
end

acc, op, entry = 0, nil, ""
function apply()
  if entry == "" then return end
  local v = tonumber(entry) or 0
  if op == "+" then acc = acc + v
  elseif op == "-" then acc = acc - v
  elseif op == "*" then acc = acc * v
  elseif op == "/" then
    if v == 0 then acc = nil else acc = acc / v end
  else acc = v end
end

while 1 do
  local e, id = pevent()
  if e == ctlSelect then
    local k = ids[id]
    if strfind("0123456789", k, 1, 1) then
      entry = entry .. k
      psettext(display, entry)
    elseif k == "C" then
      acc, op, entry = 0, nil, ""
      psettext(display, "0")
    else
      apply()
      entry = ""
      if acc == nil then
        psettext(display, "Error")
        acc, op = 0, nil
      else
        psettext(display, format("%g", acc))
        print(k, acc)
        if k == "=" then op = nil else op = k end
      end
    end
  elseif e == keyDown then
    break
  end
end
