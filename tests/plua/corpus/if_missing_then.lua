-- expect: 2: `then' expected
if a b() end
