-- expect: ok
if a then b() elseif c then d() elseif e then f() else g() end
