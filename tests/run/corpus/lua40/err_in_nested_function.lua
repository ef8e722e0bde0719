function a() return b() end
function b() return c() end
function c() local t; return t[1] end
a()
