-- expect: 2: `)' expected
function f(..., a) end
