-- expect: 3: <eof> expected
x = 1
end
