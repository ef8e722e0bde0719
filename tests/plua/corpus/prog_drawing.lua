-- expect: ok
-- Draws a few shapes in the colours the screen supports.
local width, height, depth, colour = pmode()

function centred(text, y)
  local w, h = pfont(1)
  pmoveto((%width - strlen(text) * w) / 2, y)
  print(text)
end

pclear()
if colour == 1 then
  pcolor(prgb(255, 0, 0))
else
  pcolor(prgb(0, 0, 0))
end
pbox(10, 20, 40, 30)
prect(60, 20, 40, 30)
pcircle(30, 90, 20, 20)
pdisc(80, 90, 20, 10, prgb(0, 0, 255))

-- A turtle star: five lines, turning 144 degrees each time.
pmoveto(80, 130)
pheading(0)
for i = 1, 5 do
  pwalk(40)
  pturn(144)
end
centred("Shapes", height - 20)
pevent()
