-- expect: 2: ambiguous syntax
x = .5..2
