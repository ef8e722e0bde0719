print(strupper("abc XYZ 123 _"), strlower("ABC xyz 123"), strupper(12))
