-- expect: 2: cannot access a variable in outer scope
function f() local x = 1 return function() return x end end
