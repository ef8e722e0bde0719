-- expect: 2: <expression> expected
function f(...) return ... end
