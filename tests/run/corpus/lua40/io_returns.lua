-- what the file functions answer: success is a userdata of tag 0, the
-- standard files come back from writeto() and readfrom(), closed files refuse
_ERRORMESSAGE = function(m) print("E: " .. m) end
function show(...)
  local line = ""
  for i = 1, arg.n do
    local v = arg[i]
    if type(v) == "userdata" then line = line .. "ud" .. tag(v) .. " " else line = line .. tostring(v) .. " " end
  end
  print(line)
end
show(writeto("io1.txt"))
show(write("a", 1, 2.5, "\n"))
show(writeto())
show(appendto("io1.txt"), write("more\n"), writeto())
show(readfrom("io1.txt"), read(), read("*l"), read(), readfrom())
show(readfrom("nope.txt"))
local f = openfile("io1.txt", "r")
show(read(f, "*w"), read(f, "*w"), read(f, 3), read(f, "*a"), read(f, "*a"), read(f, "*l"))
show(closefile(f), call(closefile, {f}, "x"))
show(call(closefile, {5}, "x"))
show(call(write, {f, "x"}, "x"))
show(call(read, {f}, "x"))
show(closefile(_STDOUT), flush(), flush(_STDOUT))
_OUTPUT = 5
show(call(write, {"x"}, "x"))
_OUTPUT = _STDOUT
f = openfile("io3.txt", "w")
show(write(f, 1, 2), seek(f, "set"), write(f, "x"), seek(f, "end"), flush(f), closefile(f))
readfrom("io3.txt") show(read("*a")) readfrom()
show(remove("io1.txt"), remove("io3.txt"), write(_STDERR, ""))
