print(sin(90), cos(0), tan(45), floor(asin(1)), acos(1), atan(1), atan2(1, 1))
print(format("%.6f %.6f", sin(30), cos(60)))
