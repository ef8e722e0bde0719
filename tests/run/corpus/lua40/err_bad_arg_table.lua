print(getn("x"))
