myvar_a = 1
found = nil
foreachvar(function(n, v) if n == "myvar_a" then found = v end end)
print(found)
