-- The handheld's dialogs on its screen, each pictured while it waits.
ptitle("Forms")
print("Behind the dialogs")
palert("The file was saved. Tap OK to go on.")
if pconfirm("Delete the record?") then print("deleted") else print("kept") end
print("name", pinput("Your name", "Guest"))
print("date", pselectdate("Birthday", 2001, 2, 3))
print("time", pselecttime("Alarm", 7, 30))
