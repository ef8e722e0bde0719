-- expect: 2: `=' or `,' expected
for k in pairs(t) do end
