-- expect: 2: `(' expected
function a.b.c() end
