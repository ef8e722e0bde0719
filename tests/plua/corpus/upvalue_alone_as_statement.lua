-- expect: 2: syntax error
function f() %x end
