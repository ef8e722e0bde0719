-- expect: 2: `in' expected
for k, v, w in t do end
