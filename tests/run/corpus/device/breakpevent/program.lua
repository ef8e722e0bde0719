-- Taps counted by a function the event loop calls
taps = 0

function onTap(x, y)
  local where = {x = x, y = y}
  taps = taps + 1
  pmoveto(x, y)
  print("tap " .. taps)
end

pclear()
while 1 do
  local e, x, y = pevent()
  if e == penDown then
    onTap(x, y)
  end
end
