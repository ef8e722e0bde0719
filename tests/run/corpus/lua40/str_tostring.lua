print(tostring(1), tostring("x"), tostring(nil), tostring(1.25), tostring(-0.5))
print(tostring(1e16), tostring(123456789012345678), tostring(0.1), tostring(1/3))
