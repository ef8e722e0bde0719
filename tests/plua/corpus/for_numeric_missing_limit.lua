-- expect: 2: `,' expected
for i = 1 do end
