-- expect: 2: <statement> expected
(f or g)(1)
