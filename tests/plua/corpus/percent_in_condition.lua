-- expect: 2: `then' expected
if n % 2 == 0 then end
