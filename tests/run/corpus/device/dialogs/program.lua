-- Every kind of dialog, answered by the events file.
ptitle("Dialogs")
palert("Welcome")
print("alert done")
if pconfirm("Continue?") then print("confirmed") else print("declined") end
if pconfirm("Really?") then print("confirmed") else print("declined") end
local name = pinput("Your name", "Guest")
print("name", name)
local none = pinput("Cancel me")
print("cancelled", none)
local y, m, d = pselectdate("Birthday", 1999, 12, 31)
print("date", y, m, d)
local h, mi = pselecttime("Alarm", 7, 30)
print("time", h, mi)
print(format("%s was born on %04d-%02d-%02d", name, y, m, d))
