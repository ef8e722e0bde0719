-- expect: ok
a = 5. b = .5 c = 5.e3 d = 1E-2 e = 3x = 1
f = 1e308 g = 0010
