-- expect: ok
--[[ x = 1 ]] y = 2
print(y) --]]
