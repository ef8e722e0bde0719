-- Counters made by a closure over %upvalues
function counter(start, step)
  local state = {n = start, name = "count"}
  return function(times)
    local i = 0
    while i < times do
      %state.n = %state.n + %step
      i = i + 1
    end
    return %state.n
  end
end

tick = counter(10, 5)
label = "ticks: "

print(label .. tick(2))
print(label .. tick(1))
