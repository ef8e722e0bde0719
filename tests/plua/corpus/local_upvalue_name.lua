-- expect: 2: <name> expected
function f() local %x = 1 end
