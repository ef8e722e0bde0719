-- Functions called back by library functions: sort's comparator, foreach's
-- and foreachi's callbacks, gsub's replacement.
_ALERT = function(s) write(s) end
t = {3, 1, 2}
function bycount(a, b) error("cannot compare " .. a .. " and " .. b) end
print(call(function() sort(t, bycount) end, {}, "x"))
print(call(function() sort(t, function(a, b) return a.x < b end) end, {}, "x"))
print(call(function() foreach({a = 1}, function(k, v) error("visit " .. k) end) end, {}, "x"))
print(call(function() foreachi({5}, function(i, v) return v + nil end) end, {}, "x"))
print(call(function() gsub("abc", "b", function(c) error("gsub " .. c) end) end, {}, "x"))
print(call(function() sort({1, nil, 3}) end, {}, "x"))
print(call(function() sort({3, nil, 1}, function(a, b) error("with holes") end) end, {}, "x"))
