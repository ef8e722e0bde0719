-- expect: ok
function f() return; end
function g() return end
function h() return 1, 2 end
return;
