print(getn(nil))
