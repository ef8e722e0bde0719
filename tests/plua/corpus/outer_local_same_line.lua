-- expect: 2: cannot access 'x'
function f() local x = 1 return function() return x end end
