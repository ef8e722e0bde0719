print("a\tb", "a\\b", "q\"", 'q\'', "\65\066\0677", "x\
y")
print(strlen("\n\r\t\v\f\a\b"), strbyte("\z"))
