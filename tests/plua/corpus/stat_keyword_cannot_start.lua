-- expect: 2: <statement> expected
then
