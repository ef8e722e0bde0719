-- expect: 2: <eof> expected
return 1 x = 2
