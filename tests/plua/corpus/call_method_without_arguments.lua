-- expect: 3: function arguments expected
o:m
