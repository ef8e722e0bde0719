-- expect: 2: ambiguous syntax (decimal point x string concatenation)
x = .5..2
