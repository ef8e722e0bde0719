-- Names that are keywords of Lua 5.1 are names in 4.0.
_ALERT = function(s) write(s) end
o = {}
o["true"] = function(self) error("method true") end
print(call(function() o:true() end, {}, "x"))
print(call(function() o.true() end, {}, "x"))
print(call(function() local false = function() error("local false") end false() end, {}, "x"))
