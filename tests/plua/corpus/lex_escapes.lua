-- expect: ok
s = "\255\0\9x\a\b\f\n\r\t\v\\\"\'\?\x41"
