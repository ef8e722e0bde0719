-- expect: 2: <name> or `...' expected
function f(a, 1) end
