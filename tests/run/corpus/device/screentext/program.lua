-- Text is drawn on its background: a new count replaces the old one.
ptitle("Counter")
local taps = 0
-- Black on yellow, so the painted background shows.
pcolor(255, prgb(255, 255, 0))
while 1 do
  local e = pevent()
  if e == penDown then
    taps = taps + 1
    pmoveto(10, 40)
    print("Taps: " .. taps)
  elseif e == keyDown then
    break
  end
end
