s = format("%q", "a\rb")
print(strlen(s), strbyte(s, 3))
