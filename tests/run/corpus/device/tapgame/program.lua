-- Tap the box before it moves; the up and down buttons end the game.
ptitle("Catch")
score = 0
bx, by = 20, 30
seed = 7

function nextpos()
  seed = mod(seed * 31 + 11, 97)
  bx = 10 + mod(seed * 13, 120)
  by = 20 + mod(seed * 7, 110)
end

function draw()
  pbox(0, 16, 160, 144, 0)
  pbox(bx, by, 20, 20, prgb(255, 0, 0))
  pmoveto(2, 148)
  pcolor(255)
  print("Score: " .. score)
end

draw()
while 1 do
  local e, x, y = pevent()
  if e == penDown then
    if x >= bx and x < bx + 20 and y >= by and y < by + 20 then
      score = score + 1
      print("hit", x, y)
    else
      print("miss", x, y)
    end
    nextpos()
    draw()
  elseif e == keyDown then
    print("key", x)
    break
  end
end
print("final score", score)
