-- Errors the virtual machine raises: the function that raised them is the
-- first line; a call over several lines names the line where it ends.
_ALERT = function(s) write(s) end
function average(t) return t.sum / t.count end
print(call(average, {{sum = 1}}, "x"))
print(call(function() undefined() end, {}, "x"))
print(call(function()
  average(
    {count = 2}
  )
end, {}, "x"))
