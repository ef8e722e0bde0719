-- expect: ok
x = 1 + 2 * 3 ^ -2 .. "a" .. "b" == "c" and not d or e
y = 2^-3 z = -x^2
