print(deg(PI), rad(180), PI)
