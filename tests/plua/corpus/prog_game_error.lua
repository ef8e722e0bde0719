-- expect: 22: cannot access a variable in outer scope
-- A game loop whose inner function reads a local of the enclosing
-- function without %: the handheld refuses to compile it.
function play()
  local score = 0
  local lives = 3
  local function_table = {}

  function_table.hit = function(points)
    return %score + points
  end

  while lives > 0 do
    local e = pevent()
    if e == penDown then
      score = function_table.hit(10)
    else
      lives = lives - 1
    end
  end
  return function() return score
  end
end
play()
