-- expect: ok
x = 1; y = 2; do end;
local z; z = 3;
