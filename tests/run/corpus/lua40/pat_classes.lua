s = "aB3 _.\t-"
for _, c in {"%a","%d","%l","%u","%s","%w","%p","%c","%x","%A","%D","%S","%W","."} do
  print(c, gsub(s, c, "#"))
end
