-- expect: 2: `end' expected
if a then else elseif b then end
