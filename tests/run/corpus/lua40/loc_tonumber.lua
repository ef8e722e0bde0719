print(tonumber("1,5"), tonumber("1.5"), "2.5" * 2, tonumber("3.0e1"))
