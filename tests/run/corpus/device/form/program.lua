-- A small form: fields, a checkbox, push buttons, a list and buttons.
ptitle("Contact")
plabel("Name:")
local name = pfield(1, 16, 20, "")
plabel("Phone:")
local phone = pfield(1, 16, 12, "555-")
local vip = pcheckbox("VIP")
pnl()
local home = ppbutton("Home", 1)
local work = ppbutton("Work", 1)
psetstate(home, 1)
pnl()
local kind = plist(3, 10, {"Friend", "Family", "Colleague", "Other"})
pnl()
local save = pbutton("Save")
local clear = pbutton("Clear")
psetfocus(name)

while 1 do
  local e, id, state = pevent()
  if e == ctlSelect and id == save then
    print("name", pgettext(name))
    print("phone", pgettext(phone))
    print("vip", pgetstate(vip))
    print("home", pgetstate(home), "work", pgetstate(work))
    print("kind", pgetstate(kind), pgettext(kind))
    break
  elseif e == ctlSelect and id == clear then
    psettext(name, "")
    psettext(phone, "")
  elseif e == ctlSelect then
    print("select", id, state)
  elseif e == lstSelect then
    print("list", id, state)
  end
end
