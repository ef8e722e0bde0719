-- expect: 2: ambiguous syntax (decimal point x string concatenation)
x = 1..2
