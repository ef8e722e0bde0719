-- expect: 2: escape sequence too large
s = "\300"
