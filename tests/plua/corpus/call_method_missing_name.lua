-- expect: 2: <name> expected
o:(1)
