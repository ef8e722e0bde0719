-- expect: 2: end of file expected
return 1 x = 2
