-- expect: 2: ambiguous syntax
x = 1..2
