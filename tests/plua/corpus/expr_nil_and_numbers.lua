-- expect: ok
x = nil y = 1 z = "s" w = {} v = function() end
