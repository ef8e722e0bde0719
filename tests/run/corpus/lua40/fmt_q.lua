print(format("%q", "a\"b\\c\nd"))
print(format("%q", "tab\there"))
print(format("%q", "nul\0x"))
