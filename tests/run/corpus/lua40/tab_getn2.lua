print(getn({}), getn({1, 2, 3}), getn({n = 10}), getn({1, 2; n = 1}), getn({[5] = 1}))
print(getn({n = "3"}), getn({[1.5] = 1, [2] = 1}))
