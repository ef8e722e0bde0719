-- expect: 2: `in' expected
for k, v t do end
